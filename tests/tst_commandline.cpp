// The command lines of the three programs as a user meets them: --version
// names the program and the one project version, --help names the program,
// and a wrong option gets one line, a hint to --help and exit status 2.
#include "LitharvestVersion.h"

#include <QProcess>
#include <QTest>

namespace {
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runProgram(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void addPrograms()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("name");
#ifdef LITHARVEST_GUI_PROGRAM
    QTest::newRow("litharvest") << QStringLiteral(LITHARVEST_GUI_PROGRAM) << QStringLiteral("litharvest");
#endif
    QTest::newRow("litharvest-cli") << QStringLiteral(LITHARVEST_CLI) << QStringLiteral("litharvest-cli");
    QTest::newRow("litharvest-portal") << QStringLiteral(LITHARVEST_PORTAL_PROGRAM)
                                       << QStringLiteral("litharvest-portal");
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void version_data() { addPrograms(); }
    void version();
    void help_data() { addPrograms(); }
    void help();
    void wrongCommandLine_data();
    void wrongCommandLine();
};

void TestCommandLine::version()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    const Run run = runProgram(program, {QStringLiteral("--version")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, name + QStringLiteral(" " LITHARVEST_VERSION "\n"));
    QCOMPARE(run.err, QString());
}

void TestCommandLine::help()
{
    QFETCH(QString, program);
    QFETCH(QString, name);
    for (const QString &option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Run run = runProgram(program, {option});
        QCOMPARE(run.exitCode, 0);
        const QString firstLine = run.out.section(u'\n', 0, 0);
        QVERIFY2(firstLine.startsWith(QStringLiteral("usage: ") + name + u' ', Qt::CaseInsensitive),
                 qPrintable(firstLine));
        QVERIFY(run.out.contains(QLatin1String("--version")));
        QCOMPARE(run.err, QString());
    }
}

void TestCommandLine::wrongCommandLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message"); // the line before the hint, after "<name>: "
    QTest::addColumn<QString>("hintFor");  // what the hint names
#ifdef LITHARVEST_GUI_PROGRAM
    const QString gui = QStringLiteral(LITHARVEST_GUI_PROGRAM);
    QTest::newRow("litharvest unknown option")
        << gui << QStringList{QStringLiteral("--no-such-option")}
        << QStringLiteral("litharvest: unknown option '--no-such-option'") << QStringLiteral("litharvest");
    QTest::newRow("litharvest unknown short option")
        << gui << QStringList{QStringLiteral("-q")} << QStringLiteral("litharvest: unknown option '-q'")
        << QStringLiteral("litharvest");
    QTest::newRow("litharvest value missing")
        << gui << QStringList{QStringLiteral("--portal")}
        << QStringLiteral("litharvest: missing value after '--portal'") << QStringLiteral("litharvest");
#endif
    const QString cli = QStringLiteral(LITHARVEST_CLI);
    QTest::newRow("cli unknown option")
        << cli << QStringList{QStringLiteral("--no-such-option")}
        << QStringLiteral("litharvest-cli: unknown option '--no-such-option'") << QStringLiteral("litharvest-cli");
    QTest::newRow("cli unknown command")
        << cli << QStringList{QStringLiteral("fetch")} << QStringLiteral("litharvest-cli: unknown command 'fetch'")
        << QStringLiteral("litharvest-cli");
    QTest::newRow("cli harvest unknown option")
        << cli << QStringList{QStringLiteral("harvest"), QStringLiteral("--no-such-option")}
        << QStringLiteral("harvest: Unknown option 'no-such-option'.") << QStringLiteral("litharvest-cli harvest");
    QTest::newRow("cli download unknown option")
        << cli << QStringList{QStringLiteral("download"), QStringLiteral("--no-such-option")}
        << QStringLiteral("download: Unknown option 'no-such-option'.") << QStringLiteral("litharvest-cli download");
    const QString portal = QStringLiteral(LITHARVEST_PORTAL_PROGRAM);
    QTest::newRow("portal unknown option")
        << portal << QStringList{QStringLiteral("--no-such-option")}
        << QStringLiteral("litharvest-portal: unknown option '--no-such-option'")
        << QStringLiteral("litharvest-portal");
    QTest::newRow("portal value missing")
        << portal << QStringList{QStringLiteral("--port")} << QStringLiteral("litharvest-portal: --port needs a value")
        << QStringLiteral("litharvest-portal");
    QTest::newRow("portal stray argument")
        << portal << QStringList{QStringLiteral("8642")}
        << QStringLiteral("litharvest-portal: unexpected argument '8642'") << QStringLiteral("litharvest-portal");
}

void TestCommandLine::wrongCommandLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QFETCH(QString, hintFor);
    const Run run = runProgram(program, args);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, message + QStringLiteral("\nTry '") + hintFor + QStringLiteral(" --help' for more information.\n"));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
