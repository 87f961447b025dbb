#include "crypto/aescipher.h"
#include "vault/storedsecret.h"

#include <QtTest>

class TestStoredSecret : public QObject
{
    Q_OBJECT

private slots:
    void decodesUtf8ElseWindows1251_data();
    void decodesUtf8ElseWindows1251();
    void passEndsAtItsFirstZeroByte_data();
    void passEndsAtItsFirstZeroByte();
    void textSurvivesSealAndOpen_data();
    void textSurvivesSealAndOpen();
    void sealedValueIsBase64OfTheStoredLayout();
};

void TestStoredSecret::decodesUtf8ElseWindows1251_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii") << QByteArray("plain text") << QStringLiteral("plain text");
    QTest::newRow("utf-8 cyrillic") << QByteArray("\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C")
                                    << QStringLiteral("Пароль");
    QTest::newRow("windows-1251 cyrillic") << QByteArray("\xCF\xE0\xF0\xEE\xEB\xFC")
                                           << QStringLiteral("Пароль");
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBFx") << QStringLiteral("\uFEFFx");
    QTest::newRow("overlong form is not utf-8") << QByteArray("\xC0\xAF") << QStringLiteral("АЇ");
    QTest::newRow("surrogate is not utf-8") << QByteArray("\xED\xA0\x80") << QStringLiteral("н\u00A0Ђ");
    QTest::newRow("cut sequence is not utf-8") << QByteArray("ab\xD0") << QStringLiteral("abР");
    QTest::newRow("zero byte kept in a note") << QByteArray("a\0b", 3)
                                              << QString::fromLatin1("a\0b", 3);
}

void TestStoredSecret::decodesUtf8ElseWindows1251()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(StoredSecret::infoText(bytes), text);
}

void TestStoredSecret::passEndsAtItsFirstZeroByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("no zero") << QByteArray("secret") << QStringLiteral("secret");
    QTest::newRow("zero inside") << QByteArray("sec\0ret", 7) << QStringLiteral("sec");
    QTest::newRow("zero first") << QByteArray("\0ret", 4) << QString();
    QTest::newRow("windows-1251 before zero") << QByteArray("\xEF\xE0\0\xFF", 4)
                                              << QStringLiteral("па");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestStoredSecret::passEndsAtItsFirstZeroByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(StoredSecret::passText(bytes), text);
}

void TestStoredSecret::textSurvivesSealAndOpen_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("cyrillic") << QStringLiteral("Дополнительная информация");
    QTest::newRow("greek") << QStringLiteral("Κωδικός πρόσβασης");
    QTest::newRow("accented latin") << QStringLiteral("Ça déjà vu, naïve façade");
    QTest::newRow("emoji") << QStringLiteral("key \U0001F511 lock \U0001F512");
    QTest::newRow("lines") << QStringLiteral("first\nsecond\n\nfourth\n");
    QTest::newRow("long") << QString(5000, QChar(0x0416));
}

void TestStoredSecret::textSurvivesSealAndOpen()
{
    QFETCH(QString, text);
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(QStringLiteral("00112233445566778899aabbccddeeff"));

    const QString sealed = StoredSecret::seal(StoredSecret::bytesOf(text), key);
    QCOMPARE(StoredSecret::infoText(StoredSecret::open(sealed.toLatin1(), key)), text);
    QCOMPARE(StoredSecret::passText(StoredSecret::open(sealed.toLatin1(), key)), text);
}

void TestStoredSecret::sealedValueIsBase64OfTheStoredLayout()
{
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(QStringLiteral("000102030405060708090a0b0c0d0e0f"));
    const QByteArray plain("fifteen bytes!!");

    const QString sealed = StoredSecret::seal(plain, key);
    QCOMPARE(sealed.size(), 44);
    QCOMPARE(QByteArray::fromBase64(sealed.toLatin1()), cipher.encrypt(plain, key));
    QCOMPARE(cipher.decrypt(QByteArray::fromBase64(sealed.toLatin1()), key), plain);
}

QTEST_GUILESS_MAIN(TestStoredSecret)
#include "tst_storedsecret.moc"
