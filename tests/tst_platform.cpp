// The platform seams: the settings store over a temporary file, the dialog
// double, and the manual clock.
#include "platform/Clock.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"
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

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
