// The shell's rules without a window: the version rule, the browser-emulation
// mode table, the start-up sequence, and the version check against the
// sample portal's version file.
#include "platform/NetworkAccess.h"
#include "platform/SettingsStore.h"
#include "shell/core/BrowserEmulation.h"
#include "shell/core/StartupSequence.h"
#include "shell/core/VersionCheck.h"
#include "shell/core/VersionRule.h"
#include "tests/support/PortalProcess.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int kReplyMs = 10000;
const QString kRunning = QStringLiteral("1.1.731");

QUrl refusedAddress()
{
    return QUrl(RefusedLoopbackUrl(QStringLiteral("litharvest/newver.txt")));
}
// What a version check over these addresses reported, against kRunning.
struct CheckOutcome
{
    bool finished = false;
    QStringList found;
    QList<int> failed;
};

CheckOutcome runCheck(const QUrl &primary, const QUrl &secondary = QUrl())
{
    VersionCheck check(SharedNetworkAccess());
    VersionSource source;
    source.primary = primary;
    source.secondary = secondary;
    check.setSource(source);
    check.setRunningVersion(kRunning);
    CheckOutcome outcome;
    QObject::connect(&check, &VersionCheck::newerVersionFound, [&](const QString &v) { outcome.found << v; });
    QObject::connect(&check, &VersionCheck::requestFailed, [&](int attempt) { outcome.failed << attempt; });
    QSignalSpy finished(&check, &VersionCheck::finished);
    check.start();
    outcome.finished = check.isRunning() && finished.wait(kReplyMs) && !check.isRunning();
    return outcome;
}
} // namespace

class TestShellCore : public QObject
{
    Q_OBJECT
private slots:
    void versionValue_data();
    void versionValue();
    void newerVersion_data();
    void newerVersion();
    void browserEmulation_data();
    void browserEmulation();
    void startupStepsRunOnePerTurn();
    void versionAnswers_data();
    void versionAnswers();
    void failingPrimaryThenSecondary();
    void bothAddressesFail();
    void nothingConfiguredNothingAsked();
    void sourceFromSettings();
};

void TestShellCore::versionValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // -1: not a version
    QTest::newRow("plain") << "1.1.731" << qint64(10010731);
    QTest::newRow("line end") << "1.2.0\r\n" << qint64(10020000);
    QTest::newRow("zeros") << "0.0.0" << qint64(0);
    QTest::newRow("ten characters") << "1234.123.1" << qint64(12341230001);
    QTest::newRow("eleven characters") << "12345.123.1" << qint64(-1);
    QTest::newRow("two parts") << "1.2" << qint64(-1);
    QTest::newRow("four parts") << "1.2.3.4" << qint64(-1);
    QTest::newRow("empty part") << "1..3" << qint64(-1);
    QTest::newRow("letters") << "1.2.x" << qint64(-1);
    QTest::newRow("sign") << "1.-2.3" << qint64(-1);
    QTest::newRow("web page") << "<html>" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
}

void TestShellCore::versionValue()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(VersionValue(text).value_or(-1), value);
}

void TestShellCore::newerVersion_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("newer");
    QTest::newRow("equal") << kRunning << false;
    QTest::newRow("newer minor") << "1.2.0" << true;
    QTest::newRow("newer revision") << "1.1.732" << true;
    QTest::newRow("older") << "1.0.9999" << false;
    // Parts are weighed, not compared as text: 1.1.1000 is past 1.1.731.
    QTest::newRow("weighed") << "1.1.1000" << true;
    QTest::newRow("malformed") << "2.0" << false;
}

void TestShellCore::newerVersion()
{
    QFETCH(QString, answer);
    QFETCH(bool, newer);
    QCOMPARE(IsNewerVersion(answer, kRunning), newer);
    QVERIFY(VersionValue(ProgramVersionText()).has_value());
}

void TestShellCore::browserEmulation_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("value"); // -1: the record is removed
    const struct { const char *mode; int forced; int plain; } rows[] = {
        {"IE10", 10001, 10000}, {"ie9", 9999, 9000}, {"Ie8", 8888, 8000}, {"IE7", 7000, 7000},
        {"IE11", -1, -1}, {"", -1, -1}, {" IE10", -1, -1},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s forced", row.mode) << QString::fromLatin1(row.mode) << true << row.forced;
        QTest::addRow("%s plain", row.mode) << QString::fromLatin1(row.mode) << false << row.plain;
    }
}

void TestShellCore::browserEmulation()
{
    QFETCH(QString, mode);
    QFETCH(bool, force);
    QFETCH(int, value);
    const std::optional<quint32> got = BrowserEmulationValue(mode, force);
    QCOMPARE(got ? int(*got) : -1, value);
    QCOMPARE(BrowserEmulationValue(QString::fromLatin1(kStartupEmulationMode), kStartupForceStandards).value_or(0),
             10001u);
}

void TestShellCore::startupStepsRunOnePerTurn()
{
    StartupSequence steps;
    QStringList ran;
    steps.add(QStringLiteral("a"), [&] { ran << QStringLiteral("a"); });
    steps.add(QStringLiteral("b"), [&] { ran << QStringLiteral("b"); });
    steps.add(QStringLiteral("c"), {});
    QSignalSpy done(&steps, &StartupSequence::stepDone);
    QSignalSpy finished(&steps, &StartupSequence::finished);
    steps.start();
    QVERIFY(ran.isEmpty()); // nothing runs before the event loop turns
    QCoreApplication::sendPostedEvents();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(ran, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(done.size(), 3);
    QCOMPARE(done.at(2).at(0).toString(), QStringLiteral("c"));
    QVERIFY(steps.isDone());
    steps.start(); // once only
    QTest::qWait(20);
    QCOMPARE(finished.size(), 1);
}

void TestShellCore::versionAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("found"); // empty: nothing reported
    QTest::newRow("equal") << kRunning << "";
    QTest::newRow("newer") << "1.2.0" << "1.2.0";
    QTest::newRow("malformed") << "1.2" << "";
    QTest::newRow("too long") << "1.2.0000000" << "";
}

void TestShellCore::versionAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QString, found);
    PortalProcess portal({QStringLiteral("--version-text"), answer});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    const CheckOutcome outcome = runCheck(QUrl(portal.url(QStringLiteral("litharvest/newver.txt"))));
    QVERIFY(outcome.finished);
    QVERIFY(outcome.failed.isEmpty());
    QCOMPARE(outcome.found, found.isEmpty() ? QStringList() : QStringList({found}));
    QCOMPARE(portal.requestsTo(QStringLiteral("newver.txt")).size(), 1);
}

void TestShellCore::failingPrimaryThenSecondary()
{
    PortalProcess portal({QStringLiteral("--version-text"), QStringLiteral("1.2.0")});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    const QUrl secondary(portal.url(QStringLiteral("newver.txt")));
    // A primary that refuses the connection, and one that answers 404.
    for (const QUrl &primary : {refusedAddress(), QUrl(portal.url(QStringLiteral("no/such/file.txt")))}) {
        const CheckOutcome outcome = runCheck(primary, secondary);
        QVERIFY(outcome.finished);
        QCOMPARE(outcome.failed, QList<int>({1}));
        QCOMPARE(outcome.found, QStringList({QStringLiteral("1.2.0")}));
    }
}

void TestShellCore::bothAddressesFail()
{
    const CheckOutcome both = runCheck(refusedAddress(), refusedAddress());
    QVERIFY(both.finished);
    QCOMPARE(both.failed, QList<int>({1, 2}));
    // Without a secondary the first failure ends the check.
    const CheckOutcome single = runCheck(refusedAddress());
    QVERIFY(single.finished);
    QCOMPARE(single.failed, QList<int>({1}));
}

void TestShellCore::nothingConfiguredNothingAsked()
{
    PortalProcess portal;
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    VersionCheck check(SharedNetworkAccess());
    VersionSource source;
    source.secondary = QUrl(portal.url(QStringLiteral("newver.txt"))); // no primary: not configured
    check.setSource(source);
    QSignalSpy finished(&check, &VersionCheck::finished);
    check.start();
    QVERIFY(!check.isRunning());
    QTest::qWait(VersionCheck::kStartDelayMs * 3);
    QCOMPARE(finished.size(), 0);
    QVERIFY(portal.requestsTo(QStringLiteral("newver.txt")).isEmpty());
}

void TestShellCore::sourceFromSettings()
{
    QTemporaryDir dir;
    SettingsStore::useFile(dir.filePath(QStringLiteral("s.ini")));
    QVERIFY(!VersionSource::fromSettings().configured()); // empty by default
    SettingsStore &store = SettingsStore::instance();
    store.write(QStringLiteral("fCover"), QStringLiteral("版本文件网址"), QStringLiteral(" http://127.0.0.1:9/lh/newver.txt "));
    store.write(QStringLiteral("fCover"), QStringLiteral("版本文件备用网址"), QStringLiteral("ftp://127.0.0.1/newver.txt"));
    const VersionSource source = VersionSource::fromSettings();
    QVERIFY(source.configured());
    QCOMPARE(source.primary, QUrl(QStringLiteral("http://127.0.0.1:9/lh/newver.txt")));
    QVERIFY(source.secondary.isEmpty()); // not an http address
    // Without a download page, the version file's folder is opened.
    QCOMPARE(source.effectiveDownloadPage(), QUrl(QStringLiteral("http://127.0.0.1:9/lh/")));
    SettingsStore::useFile(QString());
}

QTEST_GUILESS_MAIN(TestShellCore)
#include "tst_shellcore.moc"
