// How long ParseResultPage takes on a result page of 50 results (goal: under
// 5 ms), the work the harvesting window does for every page of a run. The
// page is built here with the size and shape of a real result page: page
// chrome and scripts around the list, and per result a heading, authors, an
// abstract and four links of which one is "全文下载".
//
//   bench_parseresultpage [results] [rounds]
#include "harvest/core/ResultPageParser.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QString resultPage(int results)
{
    const QStringList types = {QStringLiteral("中文期刊文章"), QStringLiteral("外文期刊文章"), QStringLiteral("古籍"),
                               QStringLiteral("外文图书")};
    QString html = QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>检索结果</title>"
        "<link rel='stylesheet' href='/css/site.css'><script>var cfg={page:1,size:50};function ShowDown(){}"
        "</script></head><body><div id='header'><ul class='nav'>");
    for (int i = 0; i < 12; ++i)
        html += QStringLiteral("<li><a href='/c/%1'>栏目%1</a></li>").arg(i);
    html += QStringLiteral("</ul><form action='/search'><input name='q' value='深度学习'><button>检索</button></form>"
                           "</div><div id='main'><div class='filter'>");
    for (int i = 0; i < 30; ++i)
        html += QStringLiteral("<label><input type='checkbox' name='f%1'>学科 %1 (%2)</label>").arg(i).arg(i * 37);
    html += QStringLiteral("</div><ul id='ul_articlelist'>");
    const QString abstract = QStringLiteral(
        "本文针对大规模文献检索中的排序问题，提出了一种结合语义表示与引文网络的方法，"
        "在三个公开数据集上的实验表明，该方法在准确率与召回率上均优于现有基线。 ");
    for (int i = 0; i < results; ++i) {
        const QString type = types.at(i % types.size());
        const QString title = QStringLiteral("基于 深度学习 的文献检索排序方法研究　第%1篇").arg(i + 1);
        html += QStringLiteral(
                    "<li><div class='julei-list'><h3><a href='/detail?id=%1' target='_blank'>%2</a></h3>"
                    "<p class='author'>作者：张三 李四 王五 &nbsp; 来源：《情报学报》 2024年 第%3期</p>"
                    "<p class='abstract'>%4%4</p><div class='links'>"
                    "<a href='/detail?id=%1'>摘要</a> <a href='/read?id=%1'>在线阅读</a> "
                    "<a href='javascript:void(0)' onclick='ShowDown(\"%5\",\"%1\"/download?id=%1&amp;kind=pdf\","
                    "\"%1\",\"0\",\"%2\",\"1\")'> 全文下载 </a> <a href='/cite?id=%1'>引用</a>"
                    "</div></div></li>")
                    .arg(QString::number(1000 + i), title, QString::number(i % 12 + 1), abstract, type);
    }
    html += QStringLiteral("</ul><div id='page'><a href='/search?q=x&page=1'>上一页</a> ");
    for (int i = 1; i <= 10; ++i)
        html += QStringLiteral("<a href='/search?q=x&page=%1'>%1</a> ").arg(i);
    html += QStringLiteral("<a href='/search?q=x&page=2'>下一页</a></div></div>"
                           "<div id='footer'>版权所有 <script>(function(){var s=1;for(var i=0;i<9;i++)s+=i;})()</script>"
                           "</div></body></html>");
    return html;
}
} // namespace

int main(int argc, char **argv)
{
    const int results = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const QString markup = resultPage(results);
    const QString base = QStringLiteral("http://127.0.0.1:8080/");
    const QString pageAddress = base + QStringLiteral("search?q=x&page=1");

    const ResultPage check = ParseResultPage(markup, pageAddress, base, true);
    if (check.items.size() != results) {
        std::fprintf(stderr, "expected %d items, got %d\n", results, int(check.items.size()));
        return 1;
    }
    for (int i = 0; i < 10; ++i) // warm-up
        ParseResultPage(markup, pageAddress, base, true);

    std::vector<double> times;
    times.reserve(size_t(rounds));
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        const ResultPage page = ParseResultPage(markup, pageAddress, base, true);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (page.items.isEmpty())
            return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("ParseResultPage, %d results, %lld KB of markup, %d rounds\n", results,
                static_cast<long long>(markup.toUtf8().size() / 1024), rounds);
    std::printf("  median %.3f ms   min %.3f ms   90th percentile %.3f ms   (goal < 5 ms)\n",
                times[times.size() / 2], times.front(), times[times.size() * 9 / 10]);
    return 0;
}
