#include "engine/site/FeedDecoder.h"

#include "engine/html/JapaneseCodes.h"
#include "platform/text/Cp932.h"
#include "platform/text/SjisString.h"

#include <QString>
#include <QStringDecoder>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The value of the declaration's encoding pseudo-attribute, "" without one.
std::string_view declaredEncoding(std::string_view declaration) {
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    size_t p = at + 8;
    while (p < declaration.size() && isBlank(declaration[p]))
        ++p;
    if (p >= declaration.size() || declaration[p] != '=') return {};
    ++p;
    while (p < declaration.size() && isBlank(declaration[p]))
        ++p;
    if (p >= declaration.size() || (declaration[p] != '"' && declaration[p] != '\'')) return {};
    size_t end = declaration.find(declaration[p], p + 1);
    if (end == std::string_view::npos) return {};
    return declaration.substr(p + 1, end - p - 1);
}

// Past a doctype from its "<!": the internal subset may hold ">" in its
// declarations, quoted values and comments.
size_t skipDoctype(std::string_view t, size_t p) {
    bool inSubset = false;
    while (p < t.size()) {
        char c = t[p];
        if (inSubset && t.substr(p, 4) == "<!--") {
            size_t end = t.find("-->", p + 4);
            if (end == std::string_view::npos) return std::string_view::npos;
            p = end + 3;
            continue;
        }
        if (c == '"' || c == '\'') {
            size_t end = t.find(c, p + 1);
            if (end == std::string_view::npos) return std::string_view::npos;
            p = end + 1;
            continue;
        }
        if (c == '[') inSubset = true;
        if (c == ']') inSubset = false;
        if (c == '>' && !inSubset) return p + 1;
        ++p;
    }
    return std::string_view::npos;
}

struct Sniff {
    bool isFeed = false;
    std::string_view encoding;
    size_t declarationEnd = 0; // past the XML declaration and the blanks before it
};

// Reads ASCII-compatible text up to its root element.
Sniff sniffText(std::string_view t) {
    Sniff result;
    size_t p = 0;
    while (true) {
        while (p < t.size() && isBlank(t[p]))
            ++p;
        if (p >= t.size() || t[p] != '<') return result;
        std::string_view rest = t.substr(p);
        size_t end;
        if (rest.starts_with("<?")) {
            end = t.find("?>", p + 2);
            if (end == std::string_view::npos) return result;
            bool first = p == t.find_first_not_of(" \t\r\n");
            if (first && rest.starts_with("<?xml") && rest.size() > 5 &&
                (isBlank(rest[5]) || rest[5] == '?')) {
                result.encoding = declaredEncoding(t.substr(p, end - p));
                result.declarationEnd = end + 2;
            }
            p = end + 2;
        } else if (rest.starts_with("<!--")) {
            end = t.find("-->", p + 4);
            if (end == std::string_view::npos) return result;
            p = end + 3;
        } else if (rest.starts_with("<!")) {
            p = skipDoctype(t, p + 2);
            if (p == std::string_view::npos) return result;
        } else {
            size_t nameEnd = p + 1;
            while (nameEnd < t.size() && !isBlank(t[nameEnd]) && t[nameEnd] != '>' &&
                   t[nameEnd] != '/')
                ++nameEnd;
            std::string_view name = t.substr(p + 1, nameEnd - p - 1);
            size_t colon = name.rfind(':');
            std::string_view local =
                colon == std::string_view::npos ? name : name.substr(colon + 1);
            result.isFeed = local == "rss" || local == "RDF" || local == "feed";
            return result;
        }
    }
}

// A lone byte that would start a two-byte character becomes "〓": whether
// it paired with the next one must not depend on where a block ends.
void appendSjis(std::string& sjis, uint16_t ch) {
    if (ch < 0x100 && (platform::IsSjisLeadByte(static_cast<unsigned char>(ch)) || ch == 0x80 ||
                       ch == 0xA0 || ch >= 0xFD))
        ch = kSjisGeta;
    if (ch >= 0x100) sjis += static_cast<char>(ch >> 8);
    sjis += static_cast<char>(ch & 0xFF);
}

} // namespace

FeedDecoder::Code FeedDecoder::CodeNamed(std::string_view name) {
    for (std::string_view n : {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932",
                               "ms_kanji", "csshiftjis", "ms932"})
        if (platform::EqualsNoCase(name, n)) return Code::ShiftJis;
    for (std::string_view n : {"euc-jp", "x-euc-jp", "eucjp", "euc_jp", "cseucpkdfmtjapanese"})
        if (platform::EqualsNoCase(name, n)) return Code::EucJp;
    for (std::string_view n : {"iso-2022-jp", "csiso2022jp", "jis"})
        if (platform::EqualsNoCase(name, n)) return Code::Iso2022Jp;
    for (std::string_view n : {"iso-8859-1", "latin1", "us-ascii", "ascii", "windows-1252"})
        if (platform::EqualsNoCase(name, n)) return Code::Latin1;
    return Code::Utf8;
}

FeedDecoder::FeedDecoder(std::string_view head) {
    head = head.substr(0, kSniffBytes);
    if (head.starts_with("\xEF\xBB\xBF")) {
        skip_ = 3;
    } else if (head.starts_with("\xFF\xFE") || head.starts_with(std::string_view("<\0", 2))) {
        code_ = Code::Utf16Le;
        skip_ = head.starts_with("\xFF\xFE") ? 2 : 0;
    } else if (head.starts_with("\xFE\xFF") || head.starts_with(std::string_view("\0<", 2))) {
        code_ = Code::Utf16Be;
        skip_ = head.starts_with("\xFE\xFF") ? 2 : 0;
    }
    if (code_ == Code::Utf16Le || code_ == Code::Utf16Be) {
        QStringDecoder probe(code_ == Code::Utf16Le ? QStringConverter::Utf16LE
                                                    : QStringConverter::Utf16BE);
        QString text = probe.decode(QByteArrayView(head.data() + skip_, head.size() - skip_));
        std::string utf8 = text.toUtf8().toStdString();
        Sniff sniff = sniffText(utf8);
        isFeed_ = sniff.isFeed;
        skip_ +=
            2 * static_cast<size_t>(
                    QString::fromUtf8(utf8.data(), static_cast<qsizetype>(sniff.declarationEnd))
                        .size());
        return;
    }
    Sniff sniff = sniffText(head.substr(skip_));
    isFeed_ = sniff.isFeed;
    code_ = CodeNamed(sniff.encoding);
    skip_ += sniff.declarationEnd;
}

std::string FeedDecoder::Decode(std::string_view block, bool last) {
    size_t dropped = std::min(skip_, block.size());
    block.remove_prefix(dropped);
    skip_ -= dropped;

    std::string out;
    switch (code_) {
    case Code::Utf8:
        out = decodeUtf8(block, last);
        break;
    case Code::Utf16Le:
    case Code::Utf16Be:
        out = decodeUtf16(block, last);
        break;
    case Code::Latin1:
        out = QString::fromLatin1(block.data(), static_cast<qsizetype>(block.size()))
                  .toUtf8()
                  .toStdString();
        break;
    case Code::ShiftJis:
        out = decodeShiftJis(block, last);
        break;
    case Code::EucJp:
        out = decodeEucJp(block, last);
        break;
    case Code::Iso2022Jp:
        out = decodeIso2022Jp(block, last);
        break;
    }

    return out;
}

// Even UTF-8 is checked here: the XML reader drops a whole block at its
// first malformed byte, items before it included. Each byte that starts no
// well-formed sequence becomes U+FFFD on its own, so the text is the same
// wherever the blocks are cut.
std::string FeedDecoder::decodeUtf8(std::string_view bytes, bool last) {
    std::string in = std::move(carry_);
    carry_.clear();
    in.append(bytes);
    std::string out;
    out.reserve(in.size());
    auto at = [&](size_t i) { return static_cast<unsigned char>(in[i]); };
    for (size_t p = 0; p < in.size();) {
        unsigned char c = at(p);
        size_t length = c < 0x80                 ? 1
                        : c >= 0xC2 && c <= 0xDF ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
        // The second byte's range excludes overlong forms, surrogates and
        // code points past U+10FFFF.
        unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        size_t good = length > 0 ? 1 : 0;
        while (good > 0 && good < length && p + good < in.size()) {
            unsigned char t = at(p + good);
            if (t < (good == 1 ? low : 0x80) || t > (good == 1 ? high : 0xBF)) break;
            ++good;
        }
        if (good == length && length > 0) {
            out.append(in, p, length);
            p += length;
        } else if (good > 0 && p + good == in.size() && !last) {
            carry_ = in.substr(p);
            break;
        } else {
            out += "\xEF\xBF\xBD";
            ++p;
        }
    }
    return out;
}

std::string FeedDecoder::decodeUtf16(std::string_view bytes, bool last) {
    std::string in = std::move(carry_);
    carry_.clear();
    in.append(bytes);
    std::u16string units;
    units.reserve(in.size() / 2);
    bool little = code_ == Code::Utf16Le;
    size_t p = 0;
    for (; p + 1 < in.size(); p += 2) {
        auto a = static_cast<unsigned char>(in[p]), b = static_cast<unsigned char>(in[p + 1]);
        units += static_cast<char16_t>(little ? (b << 8 | a) : (a << 8 | b));
    }
    // A high surrogate waits for its partner; an odd byte for its other half.
    size_t keep = in.size() - p;
    if (!last && !units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) {
        units.pop_back();
        keep += 2;
    }
    if (!last) carry_ = in.substr(in.size() - keep);
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()))
        .toUtf8()
        .toStdString();
}

std::string FeedDecoder::decodeShiftJis(std::string_view bytes, bool last) {
    std::string sjis = std::move(carry_);
    carry_.clear();
    sjis.append(bytes);
    size_t whole = 0;
    while (whole < sjis.size()) {
        bool lead = platform::IsSjisLeadByte(static_cast<unsigned char>(sjis[whole]));
        if (lead && whole + 1 >= sjis.size() && !last) break;
        whole += lead ? 2 : 1;
    }
    whole = std::min(whole, sjis.size());
    carry_ = sjis.substr(whole);
    sjis.resize(whole);
    return platform::SjisToUtf8(sjis);
}

std::string FeedDecoder::decodeEucJp(std::string_view bytes, bool last) {
    std::string in = std::move(carry_);
    carry_.clear();
    in.append(bytes);
    std::string sjis;
    sjis.reserve(in.size());
    size_t p = 0;
    for (; p < in.size(); ++p) {
        auto c = static_cast<unsigned char>(in[p]);
        if (c < 0x80) {
            sjis += static_cast<char>(c);
            continue;
        }
        if (p + 1 >= in.size()) {
            if (!last) carry_ = in.substr(p);
            break;
        }
        uint16_t ch =
            EucToSjis(static_cast<uint16_t>(c << 8 | static_cast<unsigned char>(in[++p])));
        appendSjis(sjis, ch);
    }
    return platform::SjisToUtf8(sjis);
}

std::string FeedDecoder::decodeIso2022Jp(std::string_view bytes, bool last) {
    std::string in = std::move(carry_);
    carry_.clear();
    in.append(bytes);
    std::string sjis;
    sjis.reserve(in.size());
    for (size_t p = 0; p < in.size(); ++p) {
        auto c = static_cast<unsigned char>(in[p]);
        if (c == 0x1B) {
            if (p + 2 >= in.size() && !last) {
                carry_ = in.substr(p);
                break;
            }
            std::string_view seq = std::string_view(in).substr(p + 1, 2);
            if (seq == "$@" || seq == "$B" || seq == "$D" || seq == "&@")
                jisSet_ = JisSet::Kanji;
            else if (seq == "(J" || seq == "(B")
                jisSet_ = JisSet::Ascii;
            else if (seq == "(I")
                jisSet_ = JisSet::Katakana;
            p += seq.size();
            continue;
        }
        if (jisSet_ == JisSet::Katakana && c >= 0x21 && c <= 0x5F) {
            // Half-width katakana: Shift_JIS holds them as the same byte with bit 7 set.
            sjis += static_cast<char>(c | 0x80);
            continue;
        }
        if (jisSet_ != JisSet::Kanji || c < 0x21) {
            appendSjis(sjis, c);
            continue;
        }
        if (p + 1 >= in.size()) {
            if (!last) carry_ = in.substr(p);
            break;
        }
        uint16_t ch =
            JisToSjis(static_cast<uint16_t>(c << 8 | static_cast<unsigned char>(in[++p])));
        appendSjis(sjis, ch);
    }
    return platform::SjisToUtf8(sjis);
}
