// The copy/move tool: the collision rules and the rename names as plain
// functions, the run on the event loop (stops between files, never loses a
// source or an existing target, never leaves a half-written file), and the
// window's steps with scripted dialogs.
#include "download/core/RecentFolderList.h"
#include "platform/SettingsStore.h"
#include "tests/support/FileFaults.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
#include "tools/core/CopyMoveRules.h"
#include "tools/core/CopyMoveRun.h"
#include "tools/core/FileCopyJob.h"
#include "tools/ui/Form_Copy_Move.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QGroupBox>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using TestFiles::FilesUnder;
using TestFiles::ReadAll;
using TestFiles::WriteFile;

Q_DECLARE_METATYPE(CollisionPolicy)
Q_DECLARE_METATYPE(CollisionAction)

namespace {
const QDateTime kTime = QDateTime::fromSecsSinceEpoch(1700000000);

void setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// Runs the event loop until the run has finished.
bool finish(CopyMoveRun &run)
{
    return QTest::qWaitFor([&] { return run.isFinished(); }, 10000);
}
} // namespace

class TestCopyMove : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void collisionDecision_data();
    void collisionDecision();
    void renameNames_data();
    void renameNames();
    void copyNeverLeavesHalfFiles();

    void runCases_data();
    void runCases();
    void stopIsSeenBetweenFiles();
    void bigFileLeavesTheLoopRunning();
    void diskFaultsDuringRun_data();
    void diskFaultsDuringRun();

    void windowLoadsItsSettings();
    void windowRefusals();
    void windowRunAndStop();
    void windowStopsAndClosesMidRun();

private:
    QString dir(const QString &relative);
    QTemporaryDir m_tmp;
    QString m_root;
    ScriptedDialogs *m_dialogs = nullptr;
};

void TestCopyMove::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("litharvest"));
    QVERIFY(m_tmp.isValid());
    SettingsStore::useFile(m_tmp.filePath(QStringLiteral("settings.ini")));
}

void TestCopyMove::init()
{
    m_root = m_tmp.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QLatin1Char('_')
                            + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')))
             + QLatin1Char('/');
    QDir().mkpath(m_root);
    m_dialogs = new ScriptedDialogs;
}

void TestCopyMove::cleanup()
{
    delete m_dialogs;
    m_dialogs = nullptr;
}

QString TestCopyMove::dir(const QString &relative)
{
    QDir().mkpath(m_root + relative);
    return m_root + relative + QLatin1Char('/');
}

void TestCopyMove::collisionDecision_data()
{
    QTest::addColumn<CollisionPolicy>("policy");
    QTest::addColumn<std::optional<qint64>>("sourceSize");
    QTest::addColumn<std::optional<qint64>>("targetSize");
    QTest::addColumn<int>("secondsApart"); // -1: a time cannot be read
    QTest::addColumn<CollisionAction>("action");

    using P = CollisionPolicy;
    using A = CollisionAction;
    const std::optional<qint64> none, ten = 10, eleven = 11;
    QTest::newRow("1 skips") << P::Skip << ten << ten << 0 << A::Skip;
    QTest::newRow("2 overwrites") << P::Overwrite << ten << eleven << 5 << A::Overwrite;
    QTest::newRow("3 renames") << P::AutoRename << ten << ten << 0 << A::AutoRename;
    QTest::newRow("4 same size and time") << P::SameSizeAndTime << ten << ten << 0 << A::Overwrite;
    QTest::newRow("4 one second apart") << P::SameSizeAndTime << ten << ten << 1 << A::AutoRename;
    QTest::newRow("4 other size") << P::SameSizeAndTime << ten << eleven << 0 << A::AutoRename;
    QTest::newRow("4 time unreadable") << P::SameSizeAndTime << ten << ten << -1 << A::AutoRename;
    QTest::newRow("4 size unreadable") << P::SameSizeAndTime << none << ten << 0 << A::AutoRename;
    QTest::newRow("5 same size") << P::SameSize << ten << ten << 7 << A::Overwrite;
    QTest::newRow("5 other size") << P::SameSize << ten << eleven << 0 << A::AutoRename;
    QTest::newRow("5 sizes unreadable") << P::SameSize << none << none << 0 << A::AutoRename;
}

void TestCopyMove::collisionDecision()
{
    QFETCH(CollisionPolicy, policy);
    QFETCH(std::optional<qint64>, sourceSize);
    QFETCH(std::optional<qint64>, targetSize);
    QFETCH(int, secondsApart);
    QFETCH(CollisionAction, action);
    FileFacts source{sourceSize, kTime};
    FileFacts target{targetSize, kTime.addSecs(qMax(secondsApart, 0))};
    if (secondsApart < 0)
        target.modified.reset();
    QCOMPARE(DecideCollision(policy, source, target), action);
}

void TestCopyMove::renameNames_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("created");

    QTest::newRow("next counter") << "report.pdf" << QStringList{"report.pdf", "report[001].pdf"} << "report[002].pdf";
    QTest::newRow("own counter dropped, base taken")
        << "report[007].pdf" << QStringList{"report[007].pdf", "report.pdf"} << "report[001].pdf";
    QTest::newRow("own counter dropped, base free") << "report[007].pdf" << QStringList{"report[007].pdf"}
                                                    << "report.pdf";
    QTest::newRow("no extension, no trailing dot") << "README" << QStringList{"README"} << "README[001]";
    QStringList thousand{"report.pdf"};
    for (int n = 1; n <= 999; ++n)
        thousand << QStringLiteral("report[%1].pdf").arg(n, 3, 10, QLatin1Char('0'));
    QTest::newRow("the thousandth") << "report.pdf" << thousand << "report[1000].pdf";
}

void TestCopyMove::renameNames()
{
    QFETCH(QString, source);
    QFETCH(QStringList, present);
    QFETCH(QString, created);
    const QString from = dir(QStringLiteral("a")) + source;
    QVERIFY(WriteFile(from, "source bytes"));
    const QString to = dir(QStringLiteral("out"));
    for (const QString &name : present)
        QVERIFY(WriteFile(to + name, "old"));

    QVERIFY(复制相同文件自动重命名(from, to));
    QCOMPARE(ReadAll(to + created), QByteArray("source bytes"));
    QCOMPARE(FilesUnder(to).size(), present.size() + 1);
    QVERIFY(!复制相同文件自动重命名(from + QStringLiteral(".gone"), to));
}

void TestCopyMove::copyNeverLeavesHalfFiles()
{
    const QString from = dir(QStringLiteral("a")) + QStringLiteral("big.bin");
    const QString to = dir(QStringLiteral("out")) + QStringLiteral("big.bin");
    QVERIFY(WriteFile(from, QByteArray(300000, 'x')));
    QVERIFY(WriteFile(to, "the old target"));
    setModified(from, kTime);

    {   // Dropped half-way (the window closed): the old target stays, no trace.
        FileCopyJob job(from, to, 100000);
        QCOMPARE(job.step(), FileCopyJob::Step::More);
    }
    QCOMPARE(ReadAll(to), QByteArray("the old target"));
    QCOMPARE(FilesUnder(m_root + QStringLiteral("out")), QStringList{"big.bin"});

    {   // The source grows while it is read: not whole, nothing replaced.
        FileCopyJob job(from, to, 100000);
        QCOMPARE(job.step(), FileCopyJob::Step::More);
        QFile grow(from);
        QVERIFY(grow.open(QIODevice::Append));
        grow.write("more");
        grow.close();
        QCOMPARE(job.runToEnd(), FileCopyJob::Step::Failed);
    }
    QCOMPARE(ReadAll(to), QByteArray("the old target"));
    QCOMPARE(FilesUnder(m_root + QStringLiteral("out")), QStringList{"big.bin"});

    // A whole copy replaces the target and keeps the source's time.
    setModified(from, kTime);
    QVERIFY(CopyFileSafely(from, to));
    QCOMPARE(ReadAll(to), ReadAll(from));
    QCOMPARE(QFileInfo(to).lastModified().toSecsSinceEpoch(), kTime.toSecsSinceEpoch());
}

void TestCopyMove::runCases_data()
{
    QTest::addColumn<CollisionPolicy>("policy");
    QTest::addColumn<bool>("isMove");
    QTest::addColumn<QString>("source");     // below a/ unless it starts with "Out/"
    QTest::addColumn<QString>("existing");   // a file of that name at the destination, "" none
    QTest::addColumn<int>("targetSecondsApart");
    QTest::addColumn<QString>("destination"); // folder below the case root; "link" leads to a/
    QTest::addColumn<QStringList>("destinationAfter");
    QTest::addColumn<bool>("sourceKept");

    using P = CollisionPolicy;
    QTest::newRow("folder equal but for case") << P::Overwrite << true << "Out/a.pdf" << "" << 0 << "out"
                                               << QStringList{} << true;
    QTest::newRow("own folder through a link, move") << P::Overwrite << true << "a.pdf" << "" << 0 << "link"
                                                     << QStringList{"a.pdf"} << true;
    QTest::newRow("policy 1 in move mode") << P::Skip << true << "a.pdf" << "a.pdf" << 0 << "out"
                                           << QStringList{"a.pdf"} << true;
    QTest::newRow("policy 4, one second apart") << P::SameSizeAndTime << false << "a.pdf" << "a.pdf" << 1 << "out"
                                                << QStringList{"a.pdf", "a[001].pdf"} << true;
    QTest::newRow("policy 4 equal, move") << P::SameSizeAndTime << true << "a.pdf" << "a.pdf" << 0 << "out"
                                          << QStringList{"a.pdf"} << false;
    QTest::newRow("no extension") << P::SameSizeAndTime << false << "README" << "" << 0 << "out"
                                  << QStringList{"README"} << true;
    QTest::newRow("no extension, renamed") << P::AutoRename << false << "README" << "README" << 0 << "out"
                                           << QStringList{"README", "README[001]"} << true;
    QTest::newRow("move whose copy fails keeps the source")
        << P::Overwrite << true << "a.pdf" << "a.pdf/" << 0 << "out" << QStringList{} << true;
}

void TestCopyMove::runCases()
{
    QFETCH(CollisionPolicy, policy);
    QFETCH(bool, isMove);
    QFETCH(QString, source);
    QFETCH(QString, existing);
    QFETCH(int, targetSecondsApart);
    QFETCH(QString, destination);
    QFETCH(QStringList, destinationAfter);
    QFETCH(bool, sourceKept);

    const QString from = (source.startsWith(QLatin1String("Out/")) ? dir(QStringLiteral("Out")) + source.mid(4)
                                                                   : dir(QStringLiteral("a")) + source);
    QVERIFY(WriteFile(from, "same size"));
    setModified(from, kTime);
    QString to;
    if (destination == QLatin1String("link")) {
        QVERIFY(QFile::link(m_root + QStringLiteral("a"), m_root + QStringLiteral("link")));
        to = m_root + QStringLiteral("link/");
    } else {
        to = dir(destination);
    }
    if (existing.endsWith(QLatin1Char('/'))) {
        QDir().mkpath(to + existing); // a folder in the way: the copy cannot arrive
    } else if (!existing.isEmpty()) {
        QVERIFY(WriteFile(to + existing, "same size"));
        setModified(to + existing, kTime.addSecs(targetSecondsApart));
    }
    const QByteArray existingBytes = existing.isEmpty() ? QByteArray() : ReadAll(to + existing);

    CopyMoveRun run({from}, to, policy, isMove);
    run.start();
    QVERIFY(finish(run));

    QStringList after = FilesUnder(to);
    QCOMPARE(after, destinationAfter);
    QCOMPARE(QFileInfo::exists(from), sourceKept);
    if (!existing.isEmpty() && !existing.endsWith(QLatin1Char('/')))
        QCOMPARE(ReadAll(to + existing).size(), existingBytes.size());
}

// The disk fails while the first of two files is copied (and is mended when
// the second one's turn comes): the file ends Failed, an existing target
// keeps its bytes, a moved source stays, nothing half-written is left, and
// the run goes on with the next file.
void TestCopyMove::diskFaultsDuringRun_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("error");
    QTest::addColumn<qint64>("allowed");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("isMove");

    using Op = FileFaults::Operation;
    for (bool existing : {false, true}) {
        const QString suffix = existing ? QStringLiteral(", existing target") : QString();
        QTest::newRow(qPrintable("disk full from the start" + suffix)) << int(Op::Write) << ENOSPC << 0LL << existing << false;
        QTest::newRow(qPrintable("disk full in the middle, move" + suffix)) << int(Op::Write) << ENOSPC << 100000LL << existing << true;
        QTest::newRow(qPrintable("read-only folder" + suffix)) << int(Op::Create) << EROFS << 0LL << existing << true;
        QTest::newRow(qPrintable("rename refused" + suffix)) << int(Op::Rename) << EACCES << 0LL << existing << true;
    }
}

void TestCopyMove::diskFaultsDuringRun()
{
    QFETCH(int, operation);
    QFETCH(int, error);
    QFETCH(qint64, allowed);
    QFETCH(bool, existing);
    QFETCH(bool, isMove);

    const QString from = dir(QStringLiteral("a"));
    const QString to = dir(QStringLiteral("out"));
    QVERIFY(WriteFile(from + QStringLiteral("a.pdf"), QByteArray(300000, 'a')));
    QVERIFY(WriteFile(from + QStringLiteral("b.pdf"), QByteArray(5000, 'b')));
    if (existing)
        QVERIFY(WriteFile(to + QStringLiteral("a.pdf"), "the old target"));

    CopyMoveRun run({from + QStringLiteral("a.pdf"), from + QStringLiteral("b.pdf")}, to, CollisionPolicy::Overwrite,
                    isMove);
    run.setChunkBytes(64 * 1024);
    auto fault = std::make_unique<FileFaults::Armed>(
        FileFaults::Fault{to, FileFaults::Operation(operation), error, allowed});
    int refusals = 0;
    connect(&run, &CopyMoveRun::fileReached, this, [&](int position) {
        if (position == 2 && fault) {
            refusals = fault->refusals();
            fault.reset();
        }
    });
    run.start();
    QVERIFY(finish(run));
    QVERIFY(refusals > 0);
    QCOMPARE(run.results().size(), 2);
    QCOMPARE(run.results().at(0).outcome, CopyMoveRun::Outcome::Failed);
    QCOMPARE(run.results().at(1).outcome, CopyMoveRun::Outcome::Copied);
    QVERIFY(QFileInfo::exists(from + QStringLiteral("a.pdf")));
    QCOMPARE(QFileInfo::exists(from + QStringLiteral("b.pdf")), !isMove);
    QCOMPARE(ReadAll(to + QStringLiteral("b.pdf")), QByteArray(5000, 'b'));
    if (existing)
        QCOMPARE(ReadAll(to + QStringLiteral("a.pdf")), QByteArray("the old target"));
    QCOMPARE(FilesUnder(to), existing ? QStringList({"a.pdf", "b.pdf"}) : QStringList{"b.pdf"});
}

void TestCopyMove::stopIsSeenBetweenFiles()
{
    const QString a = dir(QStringLiteral("a"));
    QStringList files;
    for (const char *name : {"1.pdf", "2.pdf", "3.pdf"}) {
        QVERIFY(WriteFile(a + QLatin1String(name), QByteArray(50000, 'z')));
        files << a + QLatin1String(name);
    }
    const QString to = dir(QStringLiteral("out"));
    CopyMoveRun run(files, to, CollisionPolicy::SameSizeAndTime, true);
    run.setChunkBytes(10000);
    QList<int> announced;
    connect(&run, &CopyMoveRun::fileStarted, &run, [&](int position, const QString &) {
        announced << position;
        run.requestStop(); // the click on "停止" while the first file is shown
    });
    run.start();
    QVERIFY(finish(run));

    QCOMPARE(announced, QList<int>{1});
    QCOMPARE(FilesUnder(to), QStringList{"1.pdf"});
    QCOMPARE(run.results().at(0).outcome, CopyMoveRun::Outcome::Copied);
    QVERIFY(run.results().at(0).sourceDeleted);
    QCOMPARE(run.results().at(1).outcome, CopyMoveRun::Outcome::NotReached);
    QVERIFY(QFileInfo::exists(files.at(1)) && QFileInfo::exists(files.at(2)));
}

void TestCopyMove::bigFileLeavesTheLoopRunning()
{
    const QString from = dir(QStringLiteral("a")) + QStringLiteral("big.bin");
    QVERIFY(WriteFile(from, QByteArray(4 << 20, 'b')));
    CopyMoveRun run({from}, dir(QStringLiteral("out")), CollisionPolicy::SameSizeAndTime, false);
    run.setChunkBytes(256 * 1024);
    int turns = 0;
    QTimer other;
    other.setInterval(0);
    connect(&other, &QTimer::timeout, &other, [&] { ++turns; });
    other.start();
    run.start();
    QVERIFY(finish(run));
    // Other handlers ran while the 16 chunks were copied.
    QVERIFY2(turns >= 16, qPrintable(QString::number(turns)));
    QCOMPARE(QFileInfo(m_root + QStringLiteral("out/big.bin")).size(), qint64(4 << 20));
}

void TestCopyMove::windowLoadsItsSettings()
{
    SettingsStore::instance().remove(Form_Copy_Move::settingsSection(), QStringLiteral("目的文件夹"));
    SettingsStore::instance().remove(Form_Copy_Move::settingsSection(), QStringLiteral("OpIndex"));
    const QString recent = m_root + QStringLiteral("recent/");
    QVERIFY(SaveListToFile({recent}, SaveListFilePath()));

    for (bool isMove : {false, true}) {
        Form_Copy_Move tool(isMove);
        QCOMPARE(tool.windowTitle(), isMove ? QStringLiteral("移动文件...") : QStringLiteral("复制文件..."));
        auto *combo = tool.findChild<QComboBox *>(QStringLiteral("Combo1"));
        QCOMPARE(combo->currentText(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/'));
        QCOMPARE(combo->itemText(0), recent);
        QVERIFY(tool.findChild<QRadioButton *>(QStringLiteral("Option4"))->isChecked());
        QCOMPARE(tool.findChild<QGroupBox *>(QStringLiteral("Frame1"))->title(), QStringLiteral("如果同名文件已经存在"));
        QStringList captions;
        for (const char *name : {"Label1", "Label2", "Label4"})
            captions << tool.findChild<QLabel *>(QLatin1String(name))->text();
        for (const char *name : {"Command3", "Command1", "Command2"})
            captions << tool.findChild<QPushButton *>(QLatin1String(name))->text();
        QCOMPARE(captions, (QStringList{"目的文件夹：", "当前文件：", "进度;", "浏览", "开始", "关闭"}));
    }

    // "浏览" puts the chosen folder into the box with its "/".
    Form_Copy_Move tool(false);
    m_dialogs->answerFolder(m_root + QStringLiteral("picked"));
    tool.Command3_Click();
    QCOMPARE(m_dialogs->shown().last().text, QStringLiteral("请选择要浏览的文件夹:"));
    QCOMPARE(tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->currentText(), m_root + QStringLiteral("picked/"));
}

void TestCopyMove::windowRefusals()
{
    const QString from = dir(QStringLiteral("a")) + QStringLiteral("a.pdf");
    QVERIFY(WriteFile(from, "bytes"));

    {   // An empty destination: the error, nothing created.
        Form_Copy_Move tool(false);
        tool.Files() << from;
        tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QString());
        tool.执行(true);
        QCOMPARE(m_dialogs->messages(), QStringList{"创建文件夹出错！"});
        QCOMPARE(m_dialogs->shown().last().icon, MessageIcon::Error);
        QCOMPARE(FilesUnder(m_root), QStringList{"a/a.pdf"});
    }
    m_dialogs->clear();
    {   // Every source vanished: silence, no run.
        Form_Copy_Move tool(false);
        tool.Files() << m_root + QStringLiteral("gone.pdf");
        tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(m_root + QStringLiteral("out"));
        tool.执行(true);
        QVERIFY(m_dialogs->messages().isEmpty());
        QVERIFY(!tool.isRunning());
        QVERIFY(tool.Files().isEmpty());
        QCOMPARE(tool.findChild<QPushButton *>(QStringLiteral("Command1"))->text(), QStringLiteral("开始"));
    }
}

void TestCopyMove::windowRunAndStop()
{
    const QString a = dir(QStringLiteral("a"));
    QStringList files;
    for (const char *name : {"1.pdf", "2.pdf", "3.pdf"}) {
        QVERIFY(WriteFile(a + QLatin1String(name), QByteArray(40000, 'q')));
        files << a + QLatin1String(name);
    }
    const QString out = m_root + QStringLiteral("new/out");
    Form_Copy_Move tool(true);
    tool.setChunkBytes(8000);
    tool.Files() = files;
    tool.findChild<QRadioButton *>(QStringLiteral("Option3"))->click();
    tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(out);
    auto *start = tool.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *current = tool.findChild<QLabel *>(QStringLiteral("Label3"));
    auto *progress = tool.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QSignalSpy ended(&tool, &Form_Copy_Move::runFinished);

    start->click();
    QCOMPARE(start->text(), QStringLiteral("停止"));
    QCOMPARE(progress->maximum(), 4);
    // One turn of the event loop at a time, so the click lands on the first file.
    for (int i = 0; i < 100 && current->text().isEmpty(); ++i)
        QCoreApplication::processEvents();
    QCOMPARE(current->text(), QStringLiteral("1.pdf"));
    QCOMPARE(progress->value(), 1);
    start->click(); // "停止"
    QCOMPARE(start->text(), QStringLiteral("开始"));
    QVERIFY(ended.wait(10000));

    QCOMPARE(FilesUnder(out), QStringList{"1.pdf"});
    QVERIFY(!QFileInfo::exists(files.at(0)));
    QVERIFY(QFileInfo::exists(files.at(1)));
    QCOMPARE(m_dialogs->messages(), QStringList{"移动文件完成！"});
    QCOMPARE(progress->value(), 0);
    QVERIFY(current->text().isEmpty());
    SettingsStore &settings = SettingsStore::instance();
    QCOMPARE(settings.read(Form_Copy_Move::settingsSection(), QStringLiteral("目的文件夹")), out + QLatin1Char('/'));
    QCOMPARE(settings.read(Form_Copy_Move::settingsSection(), QStringLiteral("OpIndex")), QStringLiteral("3"));
    QStringList recent;
    QVERIFY(LoadListFromFile(recent, SaveListFilePath()));
    QVERIFY(recent.contains(out + QLatin1Char('/')));

    // The rest on a second start, auto-renamed where the name is taken.
    QVERIFY(WriteFile(out + QStringLiteral("/2.pdf"), "taken"));
    start->click();
    QVERIFY(ended.wait(10000));
    QCOMPARE(FilesUnder(out), (QStringList{"1.pdf", "2.pdf", "2[001].pdf", "3.pdf"}));
    QCOMPARE(FilesUnder(a), QStringList{});
}

void TestCopyMove::windowStopsAndClosesMidRun()
{
    const QString a = dir(QStringLiteral("a"));
    QStringList files;
    for (const char *name : {"1.bin", "2.bin"}) {
        QVERIFY(WriteFile(a + QLatin1String(name), QByteArray(200000, 'w')));
        files << a + QLatin1String(name);
    }
    const QString out = m_root + QStringLiteral("out");
    auto startRun = [&](Form_Copy_Move &tool) {
        tool.setChunkBytes(1000);
        tool.Files() = files;
        tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(out);
        tool.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        for (int i = 0; i < 5; ++i) // into the first file's chunks
            QCoreApplication::processEvents();
        QVERIFY(tool.isRunning());
    };

    {   // "停止" with the destination box emptied meanwhile: the error, and the run still stops.
        Form_Copy_Move tool(true);
        QSignalSpy ended(&tool, &Form_Copy_Move::runFinished);
        startRun(tool);
        tool.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QString());
        tool.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QCOMPARE(m_dialogs->messages(), QStringList{"创建文件夹出错！"});
        QVERIFY(ended.wait(10000));
        QCOMPARE(FilesUnder(out), QStringList{"1.bin"});
        QCOMPARE(FilesUnder(a), QStringList{"2.bin"});
    }
    files = QStringList{a + QStringLiteral("2.bin")};
    {   // Closed in the middle of a file: no part of it is left, the source stays.
        Form_Copy_Move tool(true);
        startRun(tool);
        tool.close();
        QVERIFY(!tool.isRunning());
        QVERIFY(tool.Files().isEmpty());
    }
    QTest::qWait(20);
    QCOMPARE(FilesUnder(out), QStringList{"1.bin"});
    QCOMPARE(FilesUnder(a), QStringList{"2.bin"});
}

QTEST_MAIN(TestCopyMove)
#include "tst_copymove.moc"
