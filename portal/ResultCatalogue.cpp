#include "portal/ResultCatalogue.h"

#include "portal/SeededRandom.h"

#include <algorithm>

namespace {

const char *const kArticleTypes[] = {"中文期刊文章", "外文期刊文章", "古籍", "外文图书", "会议论文"};

const DocumentKind kKindCycle[] = {
    DocumentKind::Pdf, DocumentKind::Caj, DocumentKind::Pdf, DocumentKind::Kdh,
    DocumentKind::Caj, DocumentKind::Nh,  DocumentKind::Pdf, DocumentKind::Zip,
    DocumentKind::Caj, DocumentKind::Doc, DocumentKind::Png, DocumentKind::Html,
};

const char *const kTopics[] = {"文献计量", "知识图谱", "信息检索", "数字人文", "古籍整理", "科学评价",
                               "引文分析", "学术出版", "数据治理", "语义标注", "开放获取", "用户行为"};
const char *const kAspects[] = {"理论框架", "实证分析", "方法比较", "发展趋势", "关键技术", "应用实践",
                                "影响因素", "评价指标"};
const char *const kEnglishAdjectives[] = {"Comparative", "Empirical", "Scalable", "Historical", "Open",
                                          "Adaptive", "Semantic", "Quantitative"};
const char *const kEnglishNouns[] = {"Citation Analysis", "Digital Libraries", "Text Retrieval",
                                     "Knowledge Graphs", "Scholarly Publishing", "Metadata Quality",
                                     "Reading Behaviour", "Research Evaluation"};

template <typename T, std::size_t N>
const T &Pick(const T (&array)[N], std::uint64_t value)
{
    return array[value % N];
}

// The keyword appears inside the onclick call's quoted arguments: quotes and backslashes
// would change how that call splits, so they are left out.
std::string SafeKeyword(const std::string &keyword)
{
    std::string out;
    for (char c : keyword) {
        if (c != '"' && c != '\\' && c != '\n' && c != '\r')
            out += c;
    }
    return out.size() > 60 ? out.substr(0, 60) : out;
}

std::string LongTitle()
{
    // 300 Chinese characters: longer than any file name may be once it is a name.
    static const char *const phrase = "关于超长标题文献在检索系统中的命名截断与保存路径处理的综合研究";
    std::string utf8 = phrase;
    std::string out;
    std::size_t characters = 0;
    std::size_t pos = 0;
    while (characters < 300) {
        if (pos >= utf8.size())
            pos = 0;
        out += utf8.substr(pos, 3);
        pos += 3;
        ++characters;
    }
    return out;
}

std::string FixedTitle(int index)
{
    switch (index) {
    case 1: return "基于深度学习的文献计量分析研究";
    case 2: return "A Survey of Information Retrieval Models";
    case 3: return "中文 文本 分类 方法 研究";
    case 4: return "数据\u3000挖掘\u3000技术\u3000综述";
    case 5: return "  文献计量视角下的学科演化分析  ";
    case 6: return "知识图谱构建方法\n——以医学文献为例";
    case 7: return "【综述】古籍数字化整理研究】续编";
    case 8: return LongTitle();
    default: return std::string();
    }
}

} // namespace

const char *DocumentProfileName(DocumentProfile profile)
{
    switch (profile) {
    case DocumentProfile::Plain: return "plain";
    case DocumentProfile::HtmlType: return "html-type";
    case DocumentProfile::DispositionPlain: return "cd-plain";
    case DocumentProfile::DispositionQuoted: return "cd-quoted";
    case DocumentProfile::DispositionUtf8: return "cd-utf8";
    case DocumentProfile::DispositionGbk: return "cd-gbk";
    case DocumentProfile::DispositionStar: return "cd-star";
    case DocumentProfile::NoLength: return "no-length";
    case DocumentProfile::Chunked: return "chunked";
    case DocumentProfile::CharsetOnBinary: return "charset-on-binary";
    }
    return "plain";
}

ResultCatalogue::ResultCatalogue(std::uint64_t seed, int results, int perPage)
    : m_seed(seed)
    , m_results(std::max(0, results))
    , m_perPage(std::max(1, perPage))
{
}

int ResultCatalogue::pageCount() const
{
    return std::max(1, (m_results + m_perPage - 1) / m_perPage);
}

int ResultCatalogue::typeCode(const std::string &articleType)
{
    for (int i = 0; i < 4; ++i) {
        if (articleType == kArticleTypes[i])
            return i + 1;
    }
    return 0;
}

ResultEntry ResultCatalogue::entry(int index, const std::string &keyword) const
{
    ResultEntry e;
    e.id = index;
    e.articleType = kArticleTypes[(index - 1) % 5];
    e.kind = kKindCycle[(std::uint64_t(index) + m_seed) % 12];
    e.title = FixedTitle(index);
    if (!e.title.empty())
        return e;

    const std::uint64_t r = Mix64(m_seed, std::uint64_t(index) * 7919 + HashText(keyword));
    const bool foreign = e.articleType == kArticleTypes[1] || e.articleType == kArticleTypes[3];
    if (foreign) {
        e.title = std::string(Pick(kEnglishAdjectives, r)) + " Approaches to " + Pick(kEnglishNouns, r >> 8)
                  + ", Part " + std::to_string(index);
    } else {
        const std::string word = SafeKeyword(keyword);
        e.title = (word.empty() || (r >> 16) % 3 == 0 ? std::string(Pick(kTopics, r >> 20)) : word) + "视角下的"
                  + Pick(kTopics, r >> 4) + Pick(kAspects, r >> 12) + "（" + std::to_string(index) + "）";
    }
    return e;
}

DocumentProfile ResultCatalogue::profile(int id) const
{
    return static_cast<DocumentProfile>((std::uint64_t(id) + m_seed) % kDocumentProfileCount);
}

DocumentChoice ResultCatalogue::documentChoice(int id) const
{
    DocumentChoice choice;
    choice.kind = entry(id, std::string()).kind;
    choice.size = 2048 + Mix64(m_seed, std::uint64_t(id)) % 200000;
    choice.contentSeed = Mix64(m_seed ^ 0x5EED, std::uint64_t(id));
    choice.name = "文献" + std::to_string(id);
    switch (profile(id)) {
    case DocumentProfile::Plain:
        break;
    case DocumentProfile::HtmlType:
        choice.hasContentType = true;
        choice.contentType = "text/html";
        break;
    case DocumentProfile::DispositionPlain:
    case DocumentProfile::DispositionQuoted:
    case DocumentProfile::DispositionUtf8:
    case DocumentProfile::DispositionGbk:
    case DocumentProfile::DispositionStar: {
        static const char *const forms[] = {"plain", "quoted", "utf8", "gbk", "star"};
        choice.hasContentType = true;
        choice.contentType = "application/octet-stream";
        choice.disposition =
            forms[static_cast<int>(profile(id)) - static_cast<int>(DocumentProfile::DispositionPlain)];
        break;
    }
    case DocumentProfile::NoLength:
        choice.noLength = true;
        break;
    case DocumentProfile::Chunked:
        choice.chunked = true;
        break;
    case DocumentProfile::CharsetOnBinary:
        choice.hasContentType = true;
        choice.contentType = "application/octet-stream; charset=UTF-8";
        break;
    }
    return choice;
}
