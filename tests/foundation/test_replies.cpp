// Reply format, value helpers and the Windows-1252 conversion.
#include "helpers.h"
#include "serverlink.h"
#include "win1252.h"

#include <QLocale>
#include <QTest>

using namespace cacheapi;

class RepliesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void pieceTakesFieldsWithDefault() {
        const QChar bq('`');
        QCOMPARE(Piece("a`b`c", bq, 2, "x"), QString("b"));
        QCOMPARE(Piece("a``c", bq, 2, "x"), QString("x"));
        QCOMPARE(Piece("abc", bq, 1, "x"), QString("abc"));
        QCOMPARE(Piece("abc", bq, 3, "x"), QString("x"));
        QCOMPARE(Piece("a`b`c", bq, 3), QString("c"));
        QCOMPARE(Piece("K100", QChar('K'), 2), QString("100"));
        QCOMPARE(Piece("K100K7", QChar('K'), 2), QString("100"));
        // A separator of two characters never matches.
        QCOMPARE(Piece("a``b", QString("``"), 1), QString("a``b"));
        QCOMPARE(Piece("a``b", QString("``"), 2, "d"), QString("d"));
    }

    void splitCountsRecordsLikeTheServerListsThem() {
        const QString ff(RecordSeparator);
        RecordList records;
        QCOMPARE(SplitRecords("A" + ff + "B" + ff, RecordSeparator, records), 2);
        QCOMPARE(records[1], QString("A"));
        QCOMPARE(records[2], QString("B"));

        QCOMPARE(SplitRecords("A" + ff + ff + "B", RecordSeparator, records), 3);
        QCOMPARE(records[2], QString());
        QCOMPARE(records[3], QString("B"));

        QCOMPARE(SplitRecords(QString(), RecordSeparator, records), 0);
        QCOMPARE(SplitRecords("one", RecordSeparator, records), 1);
        QCOMPARE(records[1], QString("one"));
    }

    void splitGrowsTheListInStepsOfTen() {
        QStringList eleven;
        for (int i = 1; i <= 11; ++i)
            eleven << QString::number(i);
        RecordList records;
        QCOMPARE(SplitRecords(eleven.join(RecordSeparator), RecordSeparator, records), 11);
        QCOMPARE(records.size(), size_t(21)); // positions 0..20: capacity 10, then 20
        QCOMPARE(records[11], QString("11"));
        QStringList ten = eleven.mid(0, 10);
        QCOMPARE(SplitRecords(ten.join(RecordSeparator), RecordSeparator, records), 10);
        QCOMPARE(records.size(), size_t(11));
    }

    void windows1252CoversTheHighControlBlockAndFF() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromWindows1252(all);
        QCOMPARE(toWindows1252(text), all);
        QCOMPARE(text.at(0x80), QChar(0x20AC)); // euro sign
        QCOMPARE(text.at(0x8A), QChar(0x0160)); // S caron
        QCOMPARE(text.at(0x93), QChar(0x201C)); // left double quote
        QCOMPARE(text.at(0x9F), QChar(0x0178)); // Y diaeresis
        QCOMPARE(text.at(0xFF), QChar(0x00FF)); // the record separator ÿ
        QCOMPARE(text.at(0xFC), QChar(u'ü'));
        QCOMPARE(toWindows1252(QString::fromUtf8("€ Müller ÿ")),
                 QByteArray("\x80 M\xfcller \xff"));
        // A character the code page cannot hold.
        QCOMPARE(toWindows1252(QString(QChar(0x4E2D))), QByteArray("?"));
    }

    void cleanNumberTextKeepsNumberSigns() {
        QCOMPARE(CleanNumberText("01 / 2-3"), QString("0123"));
        QCOMPARE(CleanNumberText("-12,5,0%"), QString("-12,50%"));
        QCOMPARE(CleanNumberText("+4 1"), QString("41"));
        QCOMPARE(CleanNumberText("5%"), QString("5%"));
        QCOMPARE(CleanNumberText("%5"), QString("5"));
        QCOMPARE(CleanNumberText("5-"), QString("5"));
        QCOMPARE(CleanNumberText(""), QString("0"));
        QCOMPARE(CleanNumberText("abc"), QString(""));
    }

    void serverDateCountsYearsSince1900() {
        QCOMPARE(ToServerDate(QDate(2005, 3, 7)), QString("1050307"));
        QCOMPARE(ToServerDate(QDate(1999, 12, 31)), QString("991231"));
        QCOMPARE(ToServerDate(QDate(2000, 1, 1)), QString("1000101"));
        QCOMPARE(ToServerDate(QDate(2000, 2, 29)), QString("1000229"));
        QCOMPARE(ToServerDate(QDate(1905, 1, 5)), QString("50105"));
        QCOMPARE(ToServerDate(QVariant(QDate(2026, 12, 4))), QString("1261204"));
        QCOMPARE(ToServerDate(QVariant(-1)), QString());
        QCOMPARE(ToServerDate(QVariant(1.0)), QString());
        QCOMPARE(ToServerDate(QVariant(QString("  .  ."))), QString());
        QCOMPARE(ToServerDate(QVariant(QString())), QString());
        QCOMPARE(ToServerDate(QVariant(QString("07.03.2005"))), QString("1050307"));
    }

    void numericTextFollowsTheLocale() {
        QVERIFY(IsNumericText("123"));
        QVERIFY(IsNumericText(" -1.234,5 "));
        QVERIFY(IsNumericText("+12"));
        QVERIFY(!IsNumericText("1/2-3"));
        QVERIFY(!IsNumericText("Meier"));
        QVERIFY(!IsNumericText(""));
        QVERIFY(!IsNumericText("1,2,3"));
        QVERIFY(!IsNumericText("-"));
    }

    void scramblingIsItsOwnInverse() {
        const QString secret = QString::fromUtf8("Geheim€ÿ1");
        const QString scrambled = ScramblePassword(secret);
        QCOMPARE(scrambled.size(), secret.size());
        QVERIFY(scrambled != secret);
        QCOMPARE(ScramblePassword(scrambled), secret);
        QCOMPARE(ScramblePassword(QString()), QString());
        QCOMPARE(ScramblePassword("A").at(0).unicode(), char16_t('A' ^ PasswordScrambleByte));
    }
};

QTEST_GUILESS_MAIN(RepliesTest)
#include "test_replies.moc"
