#include "bench/SamplePage.h"

#include "platform/text/Cp932.h"
#include "platform/text/Iconv.h"

#include <array>
#include <cstdio>

namespace bench {

namespace {

constexpr std::array<const char*, 8> kTitles = {
    "衆院予算委、補正予算案を可決　野党は反発",     "日経平均、３日続伸　年初来高値を更新",
    "プロ野球、来季の日程を発表　開幕は３月",       "米大統領、アジア歴訪へ出発　首脳会談で協議",
    "天気予報　週末は全国的に晴れ、気温は平年並み", "国立美術館で特別展が開幕　初日から行列",
    "新型ロケットの打ち上げに成功　宇宙機関",       "地方銀行の再編が加速　経営統合を発表へ",
};

std::string utf8Page(size_t targetBytes, const char* charset) {
    std::string page =
        "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    page += charset;
    page += "\">\r\n<title>サンプル新聞</title>\r\n</head>\r\n<body>\r\n";
    char buffer[512];
    for (unsigned n = 0; page.size() < targetBytes * 3 / 2; ++n) {
        if (n % 50 == 0) {
            page +=
                "<script type=\"text/javascript\">\r\n<!--\r\nvar s = \"<b>\" + 'x' / 2; // "
                "広告\r\n"
                "//-->\r\n</script>\r\n<!-- ここから見出し一覧 -->\r\n<table width=\"100%\">\r\n";
        }
        std::snprintf(buffer, sizeof buffer,
                      "<tr><td class=\"head\"><a href=\"/news/2026/%04u/article%05u.html\">%s</a>"
                      "</td><td nowrap>(%u/%u %02u:%02u)</td></tr>\r\n",
                      n % 1231, n, kTitles[n % kTitles.size()], n % 12 + 1, n % 28 + 1, n % 24,
                      n % 60);
        page += buffer;
        if (n % 50 == 49) {
            page += "</table>\r\n<hr>\r\n<ul "
                    "type=\"square\">\r\n<li>お知らせ&nbsp;&gt;&gt;　年末年始の配信について"
                    " &lt;12/08&gt;\r\n</ul>\r\n";
        }
    }
    page += "</table>\r\n</body>\r\n</html>\r\n";
    return page;
}

std::string shrinkTo(std::string page, size_t targetBytes) {
    // Cut at a line end so no character is split.
    size_t cut = page.rfind("\r\n", targetBytes);
    if (cut != std::string::npos && page.size() > targetBytes) page.resize(cut + 2);
    return page;
}

} // namespace

std::string SampleFrontPageSjis(size_t targetBytes) {
    return shrinkTo(platform::Utf8ToSjis(utf8Page(targetBytes, "Shift_JIS")), targetBytes);
}

std::string SampleFrontPageEuc(size_t targetBytes) {
    std::string sjis = shrinkTo(platform::Utf8ToSjis(utf8Page(targetBytes, "EUC-JP")), targetBytes);
    std::string euc;
    platform::Iconv("EUC-JP", "CP932").convert(sjis, euc);
    return euc;
}

} // namespace bench
