#include "engine/site/FeedReader.h"

#include "engine/inet/TUrl.h"
#include "engine/site/FeedDate.h"
#include "engine/site/FeedDecoder.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBlockBytes = 64 * 1024;
// Feeds nest a few levels; anything deeper is hostile, and the XML reader
// would keep a stack entry for every level.
constexpr int kMaxDepth = 256;
// Text gathered for one field of an item, in UTF-16 units: room for the
// longest title kept, with its blanks still in it.
constexpr qsizetype kMaxFieldChars = 4 * kMaxFeedTitleBytes;

struct NamedCharacter {
    std::u16string_view name;
    char16_t character;
};

// HTML's named characters that feeds use without declaring them (plain
// arrays: the engine library keeps no Qt object in a static).
constexpr NamedCharacter kHtmlCharacters[] = {
    {u"nbsp", 0x00A0},   {u"copy", 0x00A9},   {u"reg", 0x00AE},   {u"trade", 0x2122},
    {u"hellip", 0x2026}, {u"mdash", 0x2014},  {u"ndash", 0x2013}, {u"lsquo", 0x2018},
    {u"rsquo", 0x2019},  {u"ldquo", 0x201C},  {u"rdquo", 0x201D}, {u"laquo", 0x00AB},
    {u"raquo", 0x00BB},  {u"middot", 0x00B7}, {u"bull", 0x2022},  {u"yen", 0x00A5},
    {u"times", 0x00D7},  {u"divide", 0x00F7}, {u"deg", 0x00B0},   {u"plusmn", 0x00B1},
    {u"larr", 0x2190},   {u"rarr", 0x2192},   {u"uarr", 0x2191},  {u"darr", 0x2193},
    {u"sect", 0x00A7},   {u"para", 0x00B6},   {u"minus", 0x2212}, {u"hearts", 0x2665},
    {u"iexcl", 0x00A1},  {u"shy", 0x00AD},    {u"amp", u'&'},     {u"lt", u'<'},
    {u"gt", u'>'},       {u"quot", u'"'},     {u"apos", u'\''}};

// 0 when the name is none of them.
char16_t htmlCharacter(QStringView name) {
    for (const NamedCharacter& c : kHtmlCharacters)
        if (name == QStringView(c.name.data(), static_cast<qsizetype>(c.name.size())))
            return c.character;
    return 0;
}

class HtmlEntityResolver : public QXmlStreamEntityResolver {
public:
    QString resolveUndeclaredEntity(const QString& name) override {
        char16_t c = htmlCharacter(name);
        return c ? QString(QChar(c)) : QString();
    }
};

bool isCollapsedBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x00A0 || c.unicode() == 0x0085 ||
           c.unicode() == 0x2028 || c.unicode() == 0x2029;
}

// Runs of blanks and control characters become one blank; none at the ends.
QString collapseBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (isCollapsedBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty()) out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

// The text of an escaped HTML title (Atom's type="html"): tags dropped, the
// character references XML leaves behind decoded.
QString htmlText(const QString& html) {
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        QChar c = html[i];
        if (c == u'<') {
            qsizetype end = html.indexOf(u'>', i);
            if (end < 0) break;
            out += u' ';
            i = end;
            continue;
        }
        if (c == u'&') {
            qsizetype end = html.indexOf(u';', i);
            if (end > i + 1 && end - i <= 10) {
                QStringView ref = QStringView(html).mid(i + 1, end - i - 1);
                bool ok = false;
                uint code = 0;
                if (ref.startsWith(u"#x") || ref.startsWith(u"#X"))
                    code = ref.mid(2).toUInt(&ok, 16);
                else if (ref.startsWith(u'#'))
                    code = ref.mid(1).toUInt(&ok, 10);
                else if (char16_t named = htmlCharacter(ref)) {
                    code = named;
                    ok = true;
                }
                if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                    char32_t cp = code;
                    out += QString::fromUcs4(&cp, 1);
                    i = end;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

// The longest start of sjis that fits in limit bytes and ends on a character.
std::string cutSjis(std::string sjis, size_t limit) {
    if (sjis.size() <= limit) return sjis;
    size_t end = 0;
    while (end < sjis.size()) {
        size_t next = end + platform::SjisCharLength(sjis, end);
        if (next > limit) break;
        end = next;
    }
    sjis.resize(end);
    return sjis;
}

std::string toSjis(const QString& text) {
    return platform::Utf16ToSjis(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

// Reads the items of a feed from its UTF-8 text, given block by block.
class FeedItemReader {
public:
    FeedItemReader(const std::string& feedUrl, const std::string& siteUrl,
                   std::vector<std::string>& titles, std::vector<std::string>& links,
                   const std::atomic<bool>* aborting)
        : base_(feedUrl), siteUrl_(siteUrl), titles_(titles), links_(links), aborting_(aborting) {
        reader_.setNamespaceProcessing(false);
        reader_.setEntityResolver(&entities_);
    }
    FeedItemReader(const FeedItemReader&) = delete;
    FeedItemReader& operator=(const FeedItemReader&) = delete;

    // False once reading has ended: the document, a fault, the item cap or
    // the abort flag.
    bool Add(std::string_view utf8) {
        if (aborted()) stopped_ = true;
        if (stopped_) return false;
        // The XML reader is handed text up to the end of a tag: some of its
        // checks ("]]>" in text, say) miss what a block's end cuts apart.
        if (size_t tagEnd = utf8.rfind('>'); tagEnd != std::string_view::npos)
            readyBytes_ = held_.size() + tagEnd + 1;
        held_.append(utf8);
        // It also scans a comment, CDATA section or processing instruction
        // from its start again whenever more data comes: while one is open
        // it gets at least as much again at once, or a long one would cost
        // the square of its length.
        if (readyBytes_ == 0 || readyBytes_ < stalledBytes_) return true;
        return parse(readyBytes_);
    }

    // Reads what Add still holds back.
    void Finish() {
        if (!stopped_ && !held_.empty()) parse(held_.size());
    }

private:
    enum class Field { None, Title, Link, Date, Guid };

    bool aborted() const { return aborting_ && aborting_->load(std::memory_order_relaxed); }

    // Hands the first bytes of held_ to the XML reader and reads its tokens.
    bool parse(size_t bytes) {
        reader_.addData(QByteArray(held_.data(), static_cast<qsizetype>(bytes)));
        stalledBytes_ += bytes;
        held_.erase(0, bytes);
        readyBytes_ = bytes < readyBytes_ ? readyBytes_ - bytes : 0;
        while (!stopped_) {
            QXmlStreamReader::TokenType token = reader_.readNext();
            if (token == QXmlStreamReader::Invalid) {
                if (reader_.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                    stopped_ = true;
                return !stopped_;
            }
            stalledBytes_ = 0;
            switch (token) {
            case QXmlStreamReader::EndDocument:
                stopped_ = true;
                break;
            case QXmlStreamReader::StartElement:
                onStart();
                break;
            case QXmlStreamReader::EndElement:
                onEnd();
                break;
            case QXmlStreamReader::Characters:
                if (field_ != Field::None && text_.size() < kMaxFieldChars)
                    text_ += reader_.text().left(kMaxFieldChars - text_.size());
                break;
            default:
                break;
            }
        }
        return false;
    }

    static QStringView localName(QStringView qualified) {
        qsizetype colon = qualified.lastIndexOf(u':');
        return colon < 0 ? qualified : qualified.mid(colon + 1);
    }

    // How much a date element says about when the item appeared: a first
    // date beats a later one of its kind, publication beats modification.
    static int dateRank(QStringView name) {
        if (name == u"pubDate" || name == u"date" || name == u"published" || name == u"issued" ||
            name == u"created")
            return 2;
        if (name == u"updated" || name == u"modified") return 1;
        return 0;
    }

    void onStart() {
        if (++depth_ > kMaxDepth) {
            stopped_ = true;
            return;
        }
        QStringView name = localName(reader_.qualifiedName());
        if (itemDepth_ < 0) {
            if (depth_ >= 2 && (name == u"item" || name == u"entry")) beginItem();
            return;
        }
        if (depth_ != itemDepth_ + 1 || field_ != Field::None) return;
        const QXmlStreamAttributes attributes = reader_.attributes();
        if (name == u"title" && title_.isEmpty()) {
            QStringView type = attributes.value(QLatin1String("type"));
            titleIsHtml_ = type == u"html" || type == u"text/html";
            startField(Field::Title);
        } else if (name == u"link") {
            QStringView href = attributes.value(QLatin1String("href"));
            QStringView rel = attributes.value(QLatin1String("rel"));
            if (!href.isEmpty()) {
                if (atomLink_.isEmpty() && (rel.isEmpty() || rel == u"alternate"))
                    atomLink_ = href.left(kMaxFieldChars).toString();
            } else if (link_.isEmpty()) {
                startField(Field::Link);
            }
        } else if (int rank = dateRank(name); rank > dateRank_) {
            pendingDateRank_ = rank;
            startField(Field::Date);
        } else if (name == u"guid" && guid_.isEmpty()) {
            guidIsLink_ = attributes.value(QLatin1String("isPermaLink")) != u"false";
            startField(Field::Guid);
        }
    }

    void onEnd() {
        if (field_ != Field::None && depth_ == fieldDepth_) endField();
        if (depth_ == itemDepth_) {
            itemDepth_ = -1;
            emitItem();
        }
        --depth_;
    }

    void beginItem() {
        itemDepth_ = depth_;
        title_.clear();
        link_.clear();
        atomLink_.clear();
        guid_.clear();
        about_ =
            reader_.attributes().value(QLatin1String("rdf:about")).left(kMaxFieldChars).toString();
        stamp_.clear();
        dateRank_ = 0;
        titleIsHtml_ = false;
        guidIsLink_ = false;
    }

    void startField(Field field) {
        field_ = field;
        fieldDepth_ = depth_;
        text_.clear();
    }

    void endField() {
        switch (field_) {
        case Field::Title:
            title_ = text_;
            break;
        case Field::Link:
            link_ = text_.trimmed();
            break;
        case Field::Guid:
            guid_ = text_.trimmed();
            break;
        case Field::Date:
            if (std::string stamp = FeedDateStamp(text_.toStdString()); !stamp.empty()) {
                stamp_ = std::move(stamp);
                dateRank_ = pendingDateRank_;
            }
            break;
        case Field::None:
            break;
        }
        field_ = Field::None;
        text_.clear();
    }

    // The item's link, else its Atom link, else an identifier that is itself
    // a web address; the site's when none leads to a web page.
    std::string itemLink() const {
        for (const QString* candidate : {&link_, &atomLink_}) {
            if (candidate->isEmpty()) continue;
            std::string url = CleanURL(base_.Resolve(toSjis(*candidate)));
            if (isWebAddress(url)) return url;
        }
        for (const QString* identifier : {guidIsLink_ ? &guid_ : nullptr, &about_}) {
            if (!identifier || !isWebAddress(toSjis(*identifier))) continue;
            return CleanURL(toSjis(*identifier));
        }
        return siteUrl_;
    }

    static bool isWebAddress(std::string_view url) {
        return url.starts_with("http://") || url.starts_with("https://");
    }

    void emitItem() {
        if (aborted()) {
            stopped_ = true;
            return;
        }
        QString title = collapseBlanks(titleIsHtml_ ? htmlText(title_) : title_);
        if (title.isEmpty()) return;
        titles_.push_back(cutSjis(toSjis(title), kMaxFeedTitleBytes) + stamp_);
        links_.push_back(itemLink());
        if (++count_ >= kMaxFeedItems) stopped_ = true;
    }

    QXmlStreamReader reader_;
    HtmlEntityResolver entities_;
    TUrl base_;
    std::string siteUrl_;
    std::vector<std::string>& titles_;
    std::vector<std::string>& links_;
    const std::atomic<bool>* aborting_;
    bool stopped_ = false;
    size_t count_ = 0;
    std::string held_;        // given to Add, not yet to the XML reader
    size_t readyBytes_ = 0;   // of held_, up to its last ">"
    size_t stalledBytes_ = 0; // given to the XML reader since its last token

    int depth_ = 0;
    int itemDepth_ = -1; // depth of the open item, -1 outside one
    Field field_ = Field::None;
    int fieldDepth_ = 0;
    QString text_;

    // The open item.
    QString title_, link_, atomLink_, guid_, about_;
    std::string stamp_;
    int dateRank_ = 0, pendingDateRank_ = 0;
    bool titleIsHtml_ = false, guidIsLink_ = false;
};

// Fills block up to kBlockBytes (less only at the end of the file); false on
// a read error.
bool readBlock(int fd, std::string& block, int64_t& budget) {
    block.resize(static_cast<size_t>(std::min<int64_t>(kBlockBytes, budget)));
    size_t filled = 0;
    while (filled < block.size()) {
        ssize_t n = ::read(fd, block.data() + filled, block.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        filled += static_cast<size_t>(n);
    }
    block.resize(filled);
    budget -= static_cast<int64_t>(filled);
    return true;
}

} // namespace

bool LooksLikeFeed(std::string_view bytes) {
    return FeedDecoder(bytes).IsFeed();
}

bool ReadFeed(std::string_view bytes, const std::string& feedUrl, const std::string& siteUrl,
              std::vector<std::string>& titles, std::vector<std::string>& links,
              const std::atomic<bool>* aborting) {
    return ReadFeedInBlocks(bytes, kBlockBytes, feedUrl, siteUrl, titles, links, aborting);
}

bool ReadFeedInBlocks(std::string_view bytes, size_t blockBytes, const std::string& feedUrl,
                      const std::string& siteUrl, std::vector<std::string>& titles,
                      std::vector<std::string>& links, const std::atomic<bool>* aborting) {
    FeedDecoder decoder(bytes);
    if (!decoder.IsFeed()) return false;
    blockBytes = std::max<size_t>(blockBytes, 1);
    FeedItemReader reader(feedUrl, siteUrl, titles, links, aborting);
    for (size_t at = 0; at < bytes.size(); at += blockBytes) {
        std::string_view block = bytes.substr(at, blockBytes);
        if (!reader.Add(decoder.Decode(block, at + block.size() >= bytes.size()))) break;
    }
    reader.Finish();
    return true;
}

bool ReadFeedFile(const std::string& path, const std::string& siteUrl,
                  std::vector<std::string>& titles, std::vector<std::string>& links,
                  const std::atomic<bool>* aborting) {
    return ReadFeedFile(path, siteUrl, siteUrl, titles, links, aborting);
}

bool ReadFeedFile(const std::string& path, const std::string& feedUrl, const std::string& siteUrl,
                  std::vector<std::string>& titles, std::vector<std::string>& links,
                  const std::atomic<bool>* aborting) {
    // Non-blocking: opening a FIFO must not wait for a writer. Only a
    // regular file is a downloaded page.
    platform::UniqueFd fd(
        ::open(platform::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;

    int64_t budget = kMaxFeedFileBytes;
    std::string block;
    if (!readBlock(fd.get(), block, budget)) return false;
    FeedDecoder decoder(block);
    if (!decoder.IsFeed()) return false;
    FeedItemReader reader(feedUrl, siteUrl, titles, links, aborting);
    while (true) {
        bool last = block.size() < kBlockBytes || budget == 0;
        if (!reader.Add(decoder.Decode(block, last)) || last) break;
        if (!readBlock(fd.get(), block, budget)) break;
    }
    reader.Finish();
    return true;
}
