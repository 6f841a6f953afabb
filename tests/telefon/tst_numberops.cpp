#include "catalogue.h"
#include "fakelink.h"
#include "numberops.h"
#include "phonelink.h"
#include "telephoneparams.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace telefon;
using testing::record;

class NumberOpsTest : public QObject {
    Q_OBJECT

    TelephoneParameters params{u"0"_s, u"30"_s, {}};

private slots:
    void dialDigits_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("dialled");
        auto row = [](const char* name, const QString& typed, const QString& dialled) {
            QTest::newRow(name) << typed << dialled;
        };
        row("signs dropped, prefix added", "1 / 2-3", "0123");
        row("two digits are an extension", "12", "12");
        row("one digit", "7", "7");
        row("three digits get the prefix", "123", "0123");
        row("letters and plus dropped", "+49 (30) 555-12 DW", "0493055512");
        row("no digits at all", "Meier", "");
        row("empty", "", "");
    }
    void dialDigits() {
        QFETCH(QString, typed);
        QFETCH(QString, dialled);
        QCOMPARE(DialDigits(params, typed), dialled);
    }

    void dialNumberDropsThenSetsNumberThenCalls() {
        testing::RecordingLine line;
        DialNumber(line, params, u"1 / 2-3"_s);
        DialNumber(line, params, u"kein Anschluss"_s);
        QCOMPARE(line.calls, QStringList({"drop", "number 0123", "call", "drop"}));
    }

    void cleanIncomingNumber_data() {
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("cleaned");
        auto row = [](const char* name, const QString& reported, const QString& prefix,
                      const QString& cleaned) {
            QTest::newRow(name) << reported << prefix << cleaned;
        };
        row("outside line digit removed", "0555", "0", "555");
        row("formatted external", "0 30/123-45", "0", "3012345");
        row("extension is internal", "12", "0", "");
        row("other first digit", "955", "0", "");
        row("empty becomes 0, too short", "", "0", "");
        row("other prefix", "9555", "9", "555");
        row("no prefix configured", "0555", "", "");
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
        QCOMPARE(f.dialogs.shown.first().title, u"Caché Zugriffsfehler"_s);
        QVERIFY(panel.Nr.isEmpty());
    }

    void panelOfACustomer() {
        const QStringList fields{"K100",      "Firma",   "Muster GmbH", "Baustoffe", "Hauptstr. 1",
                                 "A",         "123",     "Wien",        "0301234",   "info@m.de",
                                 "0301235",   "2",       "01.02.26",    "03.04.26",  "1.234,50",
                                 "10.000,00", "9.000,00"};
        const auto p = CustomerPanel::from(cacheapi::catalogue::parseCustomer(record(fields)));
        const QStringList head{p.Nr,  p.Anrede, p.Branche,   p.Strasse,   p.Plz,
                               p.Ort, p.Telnr,  p.emailText, p.emailLink, p.Faxnr};
        QCOMPARE(head, QStringList({"K100", "Firma", "Baustoffe", "Hauptstr. 1", "A-123", "Wien",
                                    "0301234", "info@m.de", "mailto:info@m.de", "0301235"}));
        QVERIFY(p.customerOnlyVisible);
        const QStringList tail{p.Mahnstufe, p.MahnstDatum, p.LeAuDatum,
                               p.AktSaldo,  p.UmsatzLJ,    p.UmsatzVJ};
        QCOMPARE(tail, fields.mid(11));

        // Supplier (L) and lower-case (k) accounts: the customer-only values are filled but
        // hidden.
        QStringList other = fields;
        other[0] = "L100";
        const auto supplier =
            CustomerPanel::from(cacheapi::catalogue::parseCustomer(record(other)));
        QVERIFY(!supplier.customerOnlyVisible);
        QCOMPARE(supplier.Mahnstufe, u"2"_s);
        other[0] = "k100";
        QVERIFY(!CustomerPanel::from(cacheapi::catalogue::parseCustomer(record(other)))
                     .customerOnlyVisible);
    }

    // Links and --dial numbers handed to the program: the number, or why nothing is dialled.
    void phoneLinks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("refusal");
        auto row = [](const char* name, const char* text, const char* number,
                      const char* refusal = "") {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(number)
                                << QString::fromUtf8(refusal);
        };
        row("tel", "tel:030123456", "030123456");
        row("tel international with separators", "tel:+49-30-123%20456", "+4930123456");
        row("tel with parameters", "tel:7042;phone-context=example.com", "7042");
        row("sip user part", "sip:030123456@pbx.example;user=phone", "030123456");
        row("sips", "SIPS:+4930123456@pbx.example", "+4930123456");
        row("callto with slashes", "callto://030 123456/", "030123456");
        row("written for --dial", " 030/123 45-6 ", "030123456");
        row("letters in the number", "tel:ABC", "", "„ABC“ ist keine Rufnummer.");
        row("SIP name, no number", "sip:meier@pbx.example", "", "„meier“ ist keine Rufnummer.");
        row("no number", "callto:", "", "Er enthält keine Rufnummer.");
        row("plus inside", "tel:49+30", "", "ist keine Rufnummer.");
        row("other scheme", "mailto:meier@x.de", "", "Links der Art „mailto:“");
        row("plain word", "Meier", "", "„Meier“ ist keine Rufnummer.");
    }
    void phoneLinks() {
        QFETCH(QString, text);
        QFETCH(QString, number);
        QFETCH(QString, refusal);
        const PhoneLink link = parsePhoneLink(text);
        QCOMPARE(link.number, number);
        QCOMPARE(link.ok(), refusal.isEmpty());
        QVERIFY2(link.error.contains(refusal), qPrintable(link.error));
        if (!link.ok())
            QVERIFY(link.error.endsWith(u"Es wurde nichts gewählt."_s));
        QCOMPARE(looksLikePhoneLink(text), text.contains(u':') && !text.startsWith(u"mailto"_s));
    }
};

QTEST_GUILESS_MAIN(NumberOpsTest)
#include "tst_numberops.moc"
