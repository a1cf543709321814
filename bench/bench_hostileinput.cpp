// How long result-page extraction and the download-list reader take on
// hostile input: deep nesting (refused), many result blocks, a page near the
// 32 MB limit, 200 000 list rows and a 10 MB list line. Each figure is the
// median of the rounds; the growth from one size to the next shows whether
// the time is linear.
#include "download/core/ListLine.h"
#include "harvest/core/ResultPageParser.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
double medianMs(int rounds, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

QString block(int i)
{
    return QStringLiteral("<div class='julei-list'><a onclick='DownLoadFile(\"中文期刊文章\",\"http://\"+location.host+"
                          "\"/download?id=%1\",\"7\",\"pdf\",\"题%1\",\"1\")'>全文下载</a></div>")
        .arg(i);
}

QString page(const QString &inside)
{
    return QStringLiteral("<html><body><ul id='ul_articlelist'>") + inside + QStringLiteral("</ul></body></html>");
}

void pageFigure(const char *what, int n, const QString &markup, int rounds)
{
    ResultPage parsed;
    const double ms = medianMs(rounds, [&] {
        parsed = ParseResultPage(markup, QStringLiteral("http://h/s"), QStringLiteral("http://h/"), true);
    });
    std::printf("%-34s %7d  %7.1f MB  %9.1f ms  %s%lld items\n", what, n, double(markup.toUtf8().size()) / 1e6, ms,
                parsed.tooDeep ? "refused, " : "", (long long)parsed.items.size());
}

void listFigure(const char *what, int n, const QByteArray &bytes, int rounds)
{
    std::vector<NumberedListLine> lines;
    ListFileFault fault;
    bool ok = false;
    const double ms = medianMs(rounds, [&] {
        lines.clear();
        ok = ParseListFile(bytes, lines, fault);
    });
    std::printf("%-34s %7d  %7.1f MB  %9.1f ms  %s\n", what, n, double(bytes.size()) / 1e6, ms,
                ok ? qPrintable(QStringLiteral("%1 rows").arg(lines.size()))
                   : qPrintable(QStringLiteral("refused at line %1").arg(fault.line)));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    std::printf("%-34s %7s  %10s  %12s\n", "input", "n", "size", "median");
    for (int n : {25000, 50000, 100000})
        pageFigure("nested <div>", n, page(block(1) + QStringLiteral("<div>").repeated(n)), rounds);
    for (int n : {25000, 50000, 100000})
        pageFigure("nested <span><div></span>", n, page(block(1) + QStringLiteral("<span><div></span>").repeated(n)),
                   rounds);
    pageFigure("nested <div>, just allowed", 500, page(QStringLiteral("<div>").repeated(500) + block(1)), rounds);
    for (int n : {25000, 50000, 100000}) {
        QString blocks;
        for (int i = 0; i < n; ++i)
            blocks += block(i);
        pageFigure("result blocks", n, page(blocks), rounds);
    }
    {
        // Plain elements up to about 30 MB, at the top and nested as deep as
        // allowed: the parser's time per element grows with the depth.
        const QString filler = QStringLiteral("<div>x</div>").repeated(2500000);
        for (int depth : {0, 100, 500})
            pageFigure(qPrintable(QStringLiteral("%1 deep, then 30 MB of <div>x</div>").arg(depth)), 2500000,
                       page(block(1) + QStringLiteral("<div>").repeated(depth) + filler), 1);
    }
    for (int n : {50000, 100000, 200000}) {
        QByteArray list;
        for (int i = 0; i < n; ++i)
            list += "http://h/download?id=" + QByteArray::number(i) + "\t题" + QByteArray::number(i) + "\tpdf\n";
        listFigure("list rows", n, list, rounds);
    }
    listFigure("one 10 MB line", 1, "http://h/" + QByteArray(10 * 1024 * 1024, 'a') + "\n", rounds);
    return 0;
}
