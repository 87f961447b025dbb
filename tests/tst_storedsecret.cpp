#include "crypto/aescipher.h"
#include "vault/storedsecret.h"

#include <QtTest>

class TestStoredSecret : public QObject
{
    Q_OBJECT

private slots:
    void decodesUtf8ElseWindows1251_data();
    void decodesUtf8ElseWindows1251();
    void textSurvivesSealAndOpen_data();
    void textSurvivesSealAndOpen();
};

void TestStoredSecret::decodesUtf8ElseWindows1251_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("pass");

    const QString cyrillic = QStringLiteral("Пароль");
    QTest::newRow("utf-8") << QByteArray("\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C")
                           << cyrillic << cyrillic;
    QTest::newRow("windows-1251") << QByteArray("\xCF\xE0\xF0\xEE\xEB\xFC") << cyrillic << cyrillic;
    QTest::newRow("byte order mark kept") << QByteArray("\xEF\xBB\xBFx") << QStringLiteral("\uFEFFx")
                                          << QStringLiteral("\uFEFFx");
    QTest::newRow("overlong is not utf-8") << QByteArray("\xC0\xAF") << QStringLiteral("АЇ")
                                           << QStringLiteral("АЇ");
    QTest::newRow("surrogate is not utf-8") << QByteArray("\xED\xA0\x80")
                                            << QStringLiteral("н\u00A0Ђ") << QStringLiteral("н\u00A0Ђ");
    QTest::newRow("cut sequence is not utf-8") << QByteArray("ab\xD0") << QStringLiteral("abР")
                                               << QStringLiteral("abР");
    QTest::newRow("zero byte") << QByteArray("ab\0c\xFF", 5) << QString::fromUtf8("ab\0cя", 6)
                               << QStringLiteral("ab");
    QTest::newRow("zero byte first") << QByteArray("\0x", 2) << QString::fromLatin1("\0x", 2)
                                     << QString();
}

void TestStoredSecret::decodesUtf8ElseWindows1251()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, info);
    QFETCH(QString, pass);
    QCOMPARE(StoredSecret::infoText(bytes), info);
    QCOMPARE(StoredSecret::passText(bytes), pass);
}

void TestStoredSecret::textSurvivesSealAndOpen_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("greek") << QStringLiteral("Κωδικός πρόσβασης");
    QTest::newRow("accented latin") << QStringLiteral("Ça déjà vu, naïve façade");
    QTest::newRow("emoji and lines") << QStringLiteral("key \U0001F511\nlock \U0001F512\n");
    QTest::newRow("long") << QString(5000, QChar(0x0416));
}

void TestStoredSecret::textSurvivesSealAndOpen()
{
    QFETCH(QString, text);
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex("00112233445566778899aabbccddeeff");

    const QByteArray sealed = StoredSecret::seal(StoredSecret::bytesOf(text), key).toLatin1();
    QCOMPARE(cipher.decrypt(QByteArray::fromBase64(sealed), key), text.toUtf8());
    QCOMPARE(StoredSecret::infoText(StoredSecret::open(sealed, key)), text);
}

QTEST_GUILESS_MAIN(TestStoredSecret)
#include "tst_storedsecret.moc"
