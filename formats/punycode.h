#ifndef PM_PUNYCODE_H
#define PM_PUNYCODE_H

#include <QString>

// RFC 3492's Punycode, the ASCII form of a host name's label after its
// "xn--". Decoded here for every label, since Qt shows a host in Unicode
// only under the top-level domains on its own list, which lacks .ru, .рф
// and many others.
class Punycode
{
public:
    static bool decode(const QString &encoded, QString *decoded, QString *error);
};

#endif // PM_PUNYCODE_H
