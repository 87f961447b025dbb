// Stored values and keys come from the vault file, which anyone can edit:
// decrypt must survive any bytes, and whatever encrypt stores must come back.

#include "crypto/aescipher.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isKeyLength(int length)
{
    return length == 16 || length == 24 || length == 32;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

// The first byte splits the rest into a key and a value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const AesCipher cipher;
    const unsigned selector = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));

    const QByteArray key = rest.left(static_cast<int>(selector % 40));
    const QByteArray value = rest.mid(key.size());
    const QByteArray plaintext = cipher.decrypt(value, key);
    const bool wholeBlocks = value.size() >= 16 && value.size() % 16 == 0;
    check(plaintext.size() <= value.size() - 16 || plaintext.isEmpty());
    if (!isKeyLength(key.size()) || !wholeBlocks)
        check(plaintext.isEmpty());

    const QByteArray stripped = cipher.removePadding(rest);
    check(rest.startsWith(stripped) && rest.size() - stripped.size() <= 127);

    static const int keyLengths[] = {16, 24, 32};
    QByteArray validKey = rest.left(keyLengths[selector % 3]);
    validKey.append(keyLengths[selector % 3] - validKey.size(), '\x5a');
    const QByteArray stored = cipher.encrypt(rest, validKey);
    check(stored.size() == 16 * (rest.size() / 16 + 2));
    check(cipher.decrypt(stored, validKey) == rest);
    return 0;
}
