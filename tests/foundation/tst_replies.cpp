// Reply format, value helpers and the Windows-1252 conversion.
#include "helpers.h"
#include "serverlink.h"
#include "win1252.h"

#include <QLocale>
#include <QTest>

using namespace cacheapi;
using namespace context;

class RepliesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void pieceAndSplitTakeFieldsLikeTheServerListsThem() {
        const QChar bq('`');
        QCOMPARE(Piece("a`b`c", bq, 2, "x"), QString("b"));
        QCOMPARE(Piece("a``c", bq, 2, "x"), QString("x"));
        QCOMPARE(Piece("abc", bq, 3, "x"), QString("x"));
        QCOMPARE(Piece("K100K7", QChar('K'), 2), QString("100"));
        // A separator of two characters never matches.
        QCOMPARE(Piece("a``b", QString("``"), 2, "d"), QString("d"));

        const QString ff(RecordSeparator);
        RecordList records;
        QCOMPARE(SplitRecords("A" + ff + "B" + ff, RecordSeparator, records), 2);
        QCOMPARE(records[2], QString("B"));
        QCOMPARE(SplitRecords("A" + ff + ff + "B", RecordSeparator, records), 3);
        QCOMPARE(records[2], QString());
        QCOMPARE(records[3], QString("B"));
        QCOMPARE(SplitRecords(QString(), RecordSeparator, records), 0);
    }

    void windows1252CoversTheHighControlBlockAndFF() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromWindows1252(all);
        QCOMPARE(toWindows1252(text), all);
        QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
        QCOMPARE(text.at(0x93), QChar(0x201C)); // left double quote
        QCOMPARE(text.at(0x9F), QChar(0x0178)); // Y diaeresis
        QCOMPARE(text.at(0xFF), QChar(0x00FF)); // the record separator ÿ
        QCOMPARE(toWindows1252(QString::fromUtf8("€ Müller ÿ")), QByteArray("\x80 M\xfcller \xff"));
        // A character the code page cannot hold.
        QCOMPARE(toWindows1252(QString(QChar(0x4E2D))), QByteArray("?"));
    }

    void numberTextsAndDates() {
        QCOMPARE(CleanNumberText("01 / 2-3"), QString("0123"));
        QCOMPARE(CleanNumberText("-12,5,0%"), QString("-12,50%"));
        QCOMPARE(CleanNumberText("5-"), QString("5"));
        QCOMPARE(CleanNumberText(""), QString("0"));
        QVERIFY(IsNumericText(" -1.234,5 "));
        QVERIFY(!IsNumericText("1/2-3"));
        QVERIFY(!IsNumericText("1,2,3"));
        QVERIFY(!IsNumericText("-"));
        QCOMPARE(ToServerDate(QDate(2005, 3, 7)), QString("1050307"));
        QCOMPARE(ToServerDate(QDate(1999, 12, 31)), QString("991231"));
        QCOMPARE(ToServerDate(QVariant(-1)), QString());
        QCOMPARE(ToServerDate(QVariant(QString("  .  ."))), QString());
        QCOMPARE(ToServerDate(QVariant(QString("07.03.2005"))), QString("1050307"));
    }

    void scramblingIsItsOwnInverse() {
        const QString secret = QString::fromUtf8("Geheim€ÿ1");
        const QString scrambled = ScramblePassword(secret);
        QVERIFY(scrambled != secret);
        QCOMPARE(ScramblePassword(scrambled), secret);
        QCOMPARE(ScramblePassword("A").at(0).unicode(), char16_t('A' ^ PasswordScrambleByte));
    }
};

QTEST_GUILESS_MAIN(RepliesTest)
#include "tst_replies.moc"
