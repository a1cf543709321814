// The platform seams: the settings store over a temporary file, the dialog
// double, and the manual clock.
#include "platform/Clock.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"
#include "platform/SystemInfo.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <QTest>

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void settingsRoundTrip();
    void dialogDouble();
    void manualClock();
    void systemBits_data();
    void systemBits();
    void osDescription_data();
    void osDescription();
};

void TestPlatform::settingsRoundTrip()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("s.ini"));
    {
        SettingsStore store(ini);
        QCOMPARE(store.read(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("2")), QStringLiteral("2"));
        QVERIFY(!store.contains(QStringLiteral("设置"), QStringLiteral("下载方式")));
        store.write(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("1"));
        store.write(QStringLiteral("下载"), QStringLiteral("默认保存路径"), QStringLiteral("/tmp/中文 路径/"));
        store.sync();
    }
    SettingsStore::useFile(ini);
    SettingsStore &again = SettingsStore::instance();
    QCOMPARE(again.read(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("2")), QStringLiteral("1"));
    QCOMPARE(again.read(QStringLiteral("下载"), QStringLiteral("默认保存路径")), QStringLiteral("/tmp/中文 路径/"));
    // Same key in another section is another value.
    QCOMPARE(again.read(QStringLiteral("下载"), QStringLiteral("下载方式"), QStringLiteral("x")), QStringLiteral("x"));
    SettingsStore::useFile(QString());
}

void TestPlatform::dialogDouble()
{
    ScriptedDialogs dialogs;
    dialogs.answerYes();
    dialogs.answerInput(QStringLiteral("abc"));
    QVERIFY(AskYesNo(QStringLiteral("要删除吗？")));
    QVERIFY(!AskYesNo(QStringLiteral("再删除吗？"))); // nothing scripted: No
    ShowError(QStringLiteral("文件夹名称有误！不能创建文件夹！"));
    QCOMPARE(AskInput(QStringLiteral("请输入")).value_or(QString()), QStringLiteral("abc"));
    QVERIFY(!AskInput(QStringLiteral("再输入")).has_value());
    QCOMPARE(dialogs.messages(),
             QStringList({QStringLiteral("要删除吗？"), QStringLiteral("再删除吗？"),
                          QStringLiteral("文件夹名称有误！不能创建文件夹！")}));
    QCOMPARE(dialogs.shown().at(2).icon, MessageIcon::Error);
    QCOMPARE(dialogs.shown().size(), 5);
}

void TestPlatform::manualClock()
{
    ManualClock clock;
    Clock::setInstance(&clock);
    const qint64 t0 = Clock::instance().msecs();
    clock.advanceSeconds(300);
    QCOMPARE(Clock::instance().msecs() - t0, qint64(300000));
    Clock::setInstance(nullptr);
    QVERIFY(Clock::instance().msecs() > 0);
}


void TestPlatform::systemBits_data()
{
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("bits");
    QTest::newRow("x86_64") << "x86_64" << "64";
    QTest::newRow("aarch64") << "aarch64" << "64";
    QTest::newRow("ppc64le") << "ppc64le" << "64";
    QTest::newRow("s390x") << "s390x" << "64";
    QTest::newRow("i686") << "i686" << "32";
    QTest::newRow("armv7l") << "armv7l" << "32";
    QTest::newRow("unknown") << "" << "32";
}

void TestPlatform::systemBits()
{
    QFETCH(QString, machine);
    QFETCH(QString, bits);
    QCOMPARE(SystemBitsFromMachine(machine), bits);
}

void TestPlatform::osDescription_data()
{
    QTest::addColumn<QString>("osRelease");
    QTest::addColumn<QString>("description");
    QTest::newRow("debian") << "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                               "VERSION_ID=\"12\"\nVERSION=\"12 (bookworm)\"\nID=debian\n"
                            << "Debian GNU/Linux 12 (bookworm) 版本:12 (内部版本:6.1.0-28-amd64)[64位]";
    // Single quotes, an escaped quote, and no VERSION_ID: VERSION stands in.
    QTest::newRow("quotes") << "NAME='Some OS'\nPRETTY_NAME=\"A \\\"quoted\\\" OS\"\nVERSION='2024.1'\n"
                            << "A \"quoted\" OS 版本:2024.1 (内部版本:6.1.0-28-amd64)[64位]";
    QTest::newRow("rolling") << "NAME=\"Arch Linux\"\nBUILD_ID=rolling\n"
                             << "Arch Linux 版本:rolling (内部版本:6.1.0-28-amd64)[64位]";
    // No os-release at all: the system is still named.
    QTest::newRow("missing") << "" << "Linux 版本: (内部版本:6.1.0-28-amd64)[64位]";
}

void TestPlatform::osDescription()
{
    QFETCH(QString, osRelease);
    QFETCH(QString, description);
    QCOMPARE(OsDescriptionFrom(osRelease, QStringLiteral("6.1.0-28-amd64"), QStringLiteral("64")), description);
    // The running system's text names a product and ends in its bitness.
    QVERIFY(OsDescription().endsWith(QStringLiteral("[") + SystemBits() + QStringLiteral("位]")));
    QVERIFY(!OsDescription().startsWith(QStringLiteral(" 版本:")));
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
