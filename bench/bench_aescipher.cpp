// Our AES-128-CBC side by side with OpenSSL's on the same data, in the same
// run. Set OPENSSL_ia32cap="~0x200000000000000" to compare with OpenSSL's
// software path rather than AES-NI.

#include "benchsupport.h"
#include "crypto/aescipher.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

using Bench::fail;

namespace {

constexpr int bufferSize = 1024 * 1024;
constexpr int rounds = 7;
constexpr double secondsPerRound = 0.25;

unsigned char *bytesOf(QByteArray &array)
{
    return reinterpret_cast<unsigned char *>(array.data());
}

// Runs `work` repeatedly for about secondsPerRound and returns how many times
// a second it ran.
double timesPerSecond(const std::function<void()> &work)
{
    using Clock = std::chrono::steady_clock;
    long count = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point now;
    do {
        work();
        ++count;
        now = Clock::now();
    } while (std::chrono::duration<double>(now - start).count() < secondsPerRound);
    return count / std::chrono::duration<double>(now - start).count();
}

// Alternates the two contenders and keeps the best round of each, which is
// the figure least disturbed by whatever else the machine is doing.
void compare(const QByteArray &label, const char *unit, double scale, const std::function<void()> &ours,
             const std::function<void()> &openssl)
{
    double best[2] = {0, 0};
    for (int round = 0; round < rounds; ++round) {
        best[0] = std::max(best[0], timesPerSecond(ours) * scale);
        best[1] = std::max(best[1], timesPerSecond(openssl) * scale);
    }
    std::printf("%-28s %12.1f %12.1f %8.2f   %s\n", label.constData(), best[0], best[1], best[0] / best[1], unit);
}

class OpenSslCbc
{
public:
    OpenSslCbc()
        : context(EVP_CIPHER_CTX_new())
    {
        if (!context)
            fail("EVP_CIPHER_CTX_new failed");
    }
    ~OpenSslCbc() { EVP_CIPHER_CTX_free(context); }
    OpenSslCbc(const OpenSslCbc &) = delete;
    OpenSslCbc &operator=(const OpenSslCbc &) = delete;

    // Whole blocks, no padding, as our CBC functions work.
    void run(bool encrypt, const unsigned char *key, const unsigned char *iv, const unsigned char *input,
             unsigned char *output, int length)
    {
        int written = 0;
        if (EVP_CipherInit_ex(context, EVP_aes_128_cbc(), nullptr, key, iv, encrypt ? 1 : 0) != 1
            || EVP_CIPHER_CTX_set_padding(context, 0) != 1
            || EVP_CipherUpdate(context, output, &written, input, length) != 1 || written != length)
            fail("OpenSSL AES-128-CBC failed");
    }

private:
    EVP_CIPHER_CTX *context;
};

// One value through a fresh EVP context, with PKCS#7 padding, as a program
// on EVP would handle each stored value.
QByteArray openSslValue(bool encrypt, const unsigned char *input, int length, const QByteArray &key,
                        const unsigned char *iv)
{
    QByteArray output(length + 16, '\0');
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    int written = 0;
    int last = 0;
    const bool ok = context
        && EVP_CipherInit_ex(context, EVP_aes_128_cbc(), nullptr,
                             reinterpret_cast<const unsigned char *>(key.constData()), iv, encrypt ? 1 : 0)
            == 1
        && EVP_CipherUpdate(context, bytesOf(output), &written, input, length) == 1
        && EVP_CipherFinal_ex(context, bytesOf(output) + written, &last) == 1;
    EVP_CIPHER_CTX_free(context);
    if (!ok)
        fail("OpenSSL could not handle a value");
    output.truncate(written + last);
    return output;
}

// A random IV for each value, then IV || data chained from a zero block, as
// AesCipher::encrypt lays a value out.
QByteArray openSslEncryptValue(const QByteArray &data, const QByteArray &key)
{
    unsigned char iv[16];
    if (RAND_bytes(iv, sizeof iv) != 1)
        fail("RAND_bytes failed");
    static const unsigned char zeroBlock[16] = {};
    const QByteArray input = QByteArray(reinterpret_cast<const char *>(iv), 16) + data;
    return openSslValue(true, reinterpret_cast<const unsigned char *>(input.constData()), input.size(), key, zeroBlock);
}

QByteArray openSslDecryptValue(const QByteArray &value, const QByteArray &key)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(value.constData());
    return openSslValue(false, bytes + 16, value.size() - 16, key, bytes);
}

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

// Each stored value, key expansion and random IV included, against EVP
// doing the same for each value.
void compareValues(const AesCipher &cipher, const QByteArray &key, int length)
{
    const QByteArray value = randomBytes(length);
    const QByteArray stored = cipher.encrypt(value, key);
    if (cipher.decrypt(stored, key) != value || openSslDecryptValue(stored, key) != value
        || cipher.decrypt(openSslEncryptValue(value, key), key) != value)
        fail("a stored value does not decrypt to what was stored");

    const QByteArray label = QByteArray::number(length) + "-byte value ";
    compare(
        label + "encrypt", "values/s", 1, [&] { cipher.encrypt(value, key); },
        [&] { openSslEncryptValue(value, key); });
    compare(
        label + "decrypt", "values/s", 1, [&] { cipher.decrypt(stored, key); },
        [&] { openSslDecryptValue(stored, key); });
}

} // namespace

int main()
{
    const AesCipher cipher;
    OpenSslCbc openssl;
    const QByteArray key = randomBytes(16);
    const QByteArray iv = randomBytes(16);
    const QByteArray plaintext = randomBytes(bufferSize);
    const auto *keyBytes = reinterpret_cast<const unsigned char *>(key.constData());
    const auto *ivBytes = reinterpret_cast<const unsigned char *>(iv.constData());

    AesKeySchedule schedule;
    if (cipher.expandKey(keyBytes, 128, schedule) != 0)
        fail("expandKey failed");

    QByteArray ours(bufferSize, '\0');
    QByteArray theirs(bufferSize, '\0');
    unsigned char chain[16];
    const auto oursCbc = [&](bool encrypt, const QByteArray &input) {
        std::copy(ivBytes, ivBytes + 16, chain);
        const auto *in = reinterpret_cast<const unsigned char *>(input.constData());
        const int result = encrypt ? cipher.encryptCbc(in, bytesOf(ours), bufferSize, chain, schedule)
                                   : cipher.decryptCbc(in, bytesOf(ours), bufferSize, chain, schedule);
        if (result != 0)
            fail("our CBC failed");
    };
    const auto theirCbc = [&](bool encrypt, const QByteArray &input) {
        openssl.run(encrypt, keyBytes, ivBytes, reinterpret_cast<const unsigned char *>(input.constData()),
                    bytesOf(theirs), bufferSize);
    };

    oursCbc(true, plaintext);
    theirCbc(true, plaintext);
    if (ours != theirs)
        fail("the two ciphertexts differ");
    const QByteArray ciphertext = ours;
    oursCbc(false, ciphertext);
    theirCbc(false, ciphertext);
    if (ours != plaintext || theirs != plaintext)
        fail("a decryption does not give the plaintext back");

    const char *cap = std::getenv("OPENSSL_ia32cap");
    std::printf("built by %s, %s\n", PM_COMPILER, PM_BUILD_FLAGS);
    std::printf("OPENSSL_ia32cap=%s\n", cap ? cap : "(not set: OpenSSL may use AES-NI)");
    std::printf("%-28s %12s %12s %8s\n", "", "ours", "OpenSSL", "ratio");
    const double megabytes = bufferSize / 1e6;
    compare(
        "1 MiB CBC encrypt", "MB/s", megabytes, [&] { oursCbc(true, plaintext); }, [&] { theirCbc(true, plaintext); });
    compare(
        "1 MiB CBC decrypt", "MB/s", megabytes, [&] { oursCbc(false, ciphertext); },
        [&] { theirCbc(false, ciphertext); });
    compareValues(cipher, key, 16);
    compareValues(cipher, key, 300);
    return 0;
}
