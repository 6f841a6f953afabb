#include "fakelink.h"
#include "numberops.h"
#include "telephoneparams.h"

#include <QTest>

using namespace telefon;
using testing::record;

class NumberOpsTest : public QObject {
    Q_OBJECT

    TelephoneParameters params{QStringLiteral("0"), QStringLiteral("30"), {}};

private slots:
    void parametersComeFromTheThreeFields() {
        const auto p = TelephoneParameters::fromReply(record({"0", "30", "BOSCH-LINE"}));
        QCOMPARE(p.DialPrefix, QStringLiteral("0"));
        QCOMPARE(p.LookupPrefix, QStringLiteral("30"));
        QCOMPARE(p.LineText, QStringLiteral("BOSCH-LINE"));
        const auto partial = TelephoneParameters::fromReply(QStringLiteral("9"));
        QCOMPARE(partial.DialPrefix, QStringLiteral("9"));
        QVERIFY(partial.LookupPrefix.isEmpty());
        QVERIFY(partial.LineText.isEmpty());
    }

    void dialDigits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("signs dropped, prefix added") << "1 / 2-3"
                                                     << "0123";
        QTest::newRow("two digits are an extension") << "12"
                                                     << "12";
        QTest::newRow("one digit") << "7"
                                   << "7";
        QTest::newRow("three digits get the prefix") << "123"
                                                     << "0123";
        QTest::newRow("letters and plus dropped") << "+49 (30) 555-12 DW"
                                                  << "0493055512";
        QTest::newRow("no digits at all") << "Meier"
                                          << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void dialDigits() {
        QFETCH(QString, typed);
        QFETCH(QString, dialled);
        QCOMPARE(DialDigits(params, typed), dialled);
    }

    void dialNumberDropsThenSetsNumberThenCalls() {
        testing::RecordingLine line;
        DialNumber(line, params, QStringLiteral("1 / 2-3"));
        DialNumber(line, params, QStringLiteral("kein Anschluss"));
        QCOMPARE(line.calls, QStringList({"drop", "number 0123", "call", "drop"}));
    }

    void cleanIncomingNumber_data() {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("outside line digit removed") << "0555"
                                                    << "0"
                                                    << "555";
        QTest::newRow("formatted external") << "0 30/123-45"
                                            << "0"
                                            << "3012345";
        QTest::newRow("extension is internal") << "12"
                                               << "0"
                                               << "";
        QTest::newRow("other first digit") << "955"
                                           << "0"
                                           << "";
        QTest::newRow("empty becomes 0, too short") << ""
                                                    << "0"
                                                    << "";
        QTest::newRow("other prefix") << "9555"
                                      << "9"
                                      << "555";
        QTest::newRow("no prefix configured") << "0555"
                                              << ""
                                              << "";
    }
    void cleanIncomingNumber() {
        QFETCH(QString, reported);
        QFETCH(QString, prefix);
        QFETCH(QString, cleaned);
        QCOMPARE(CleanIncomingNumber(reported, prefix), cleaned);
    }

    void lookupCandidates() {
        QCOMPARE(LookupCandidates("030123456", "30"),
                 QStringList({"123456", "030030123456", "30123456", "030123456"}));
        QCOMPARE(LookupCandidates("123456", "30"),
                 QStringList({"", "030123456", "23456", "123456"}));
        QCOMPARE(LookupCandidates("", "30"), QStringList({"", "030", "", ""}));
    }

    void failingServerIsReportedAndCountsAsUnknown() {
        testing::FakeLink f;
        f.failCommandsWith("TELSU");
        CustomerPanel panel;
        QVERIFY(!LookupCaller(f.link, params, "0301", panel));
        QCOMPARE(f.commandsWith("TELSU").size(), 4);
        QCOMPARE(f.dialogs.shown.size(), 4);
        QCOMPARE(f.dialogs.shown.first().title, QStringLiteral("Caché Zugriffsfehler"));
        QVERIFY(panel.Nr.isEmpty());
    }

    void panelOfACustomer() {
        const QStringList fields{"K100",      "Firma",   "Muster GmbH", "Baustoffe", "Hauptstr. 1",
                                 "A",         "123",     "Wien",        "0301234",   "info@m.de",
                                 "0301235",   "2",       "01.02.26",    "03.04.26",  "1.234,50",
                                 "10.000,00", "9.000,00"};
        const auto p = CustomerPanel::fromReply(record(fields));
        QCOMPARE(p.Nr, QStringLiteral("K100"));
        QCOMPARE(p.Anrede, QStringLiteral("Firma"));
        QCOMPARE(p.Branche, QStringLiteral("Baustoffe"));
        QCOMPARE(p.Strasse, QStringLiteral("Hauptstr. 1"));
        QCOMPARE(p.Plz, QStringLiteral("A-123"));
        QCOMPARE(p.Ort, QStringLiteral("Wien"));
        QCOMPARE(p.Telnr, QStringLiteral("0301234"));
        QCOMPARE(p.emailText, QStringLiteral("info@m.de"));
        QCOMPARE(p.emailLink, QStringLiteral("mailto:info@m.de"));
        QCOMPARE(p.Faxnr, QStringLiteral("0301235"));
        QVERIFY(p.customerOnlyVisible);
        const QStringList tail{p.Mahnstufe, p.MahnstDatum, p.LeAuDatum,
                               p.AktSaldo,  p.UmsatzLJ,    p.UmsatzVJ};
        QCOMPARE(tail, fields.mid(11));

        // Supplier (L) and lower-case (k) accounts: the customer-only values are filled but
        // hidden.
        QStringList other = fields;
        other[0] = "L100";
        const auto supplier = CustomerPanel::fromReply(record(other));
        QVERIFY(!supplier.customerOnlyVisible);
        QCOMPARE(supplier.Mahnstufe, QStringLiteral("2"));
        other[0] = "k100";
        QVERIFY(!CustomerPanel::fromReply(record(other)).customerOnlyVisible);
    }
};

QTEST_GUILESS_MAIN(NumberOpsTest)
#include "tst_numberops.moc"
