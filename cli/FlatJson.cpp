#include "cli/FlatJson.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace tq {

namespace {

// Reads the text front to back; the first error stops it and is kept with its position.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    JsonReadResult ReadObject();

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    char Next();
    void SkipSpace();
    bool Fail(const std::string& what);
    bool Consume(char c);
    bool Expect(char c, const char* what);
    bool ReadMembers(std::vector<JsonMember>& members);
    bool ReadMember(JsonMember& member);
    bool ReadString(std::string& out);
    bool ReadEscape(std::string& out);
    std::optional<unsigned> ReadHex4();
    bool ReadNumber(std::string& out);
    bool ReadDigits(std::string& out);
    std::string AfterLastKey() const;

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    std::string lastKey_;
    std::string error_;
};

char Reader::Next() {
    const char c = text_[pos_++];
    if (c == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    return c;
}

void Reader::SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
        Next();
    }
}

std::string Reader::AfterLastKey() const {
    return lastKey_.empty() ? std::string() : " after member " + JsonQuote(lastKey_);
}

bool Reader::Fail(const std::string& what) {
    if (error_.empty()) {
        error_ = "line " + std::to_string(line_) + ", column " + std::to_string(column_) + ": " +
                 what + AfterLastKey();
    }
    return false;
}

bool Reader::Consume(char c) {
    if (AtEnd() || Peek() != c) {
        return false;
    }
    Next();
    return true;
}

bool Reader::Expect(char c, const char* what) {
    SkipSpace();
    return Consume(c) || Fail(std::string("expected ") + what);
}

std::optional<unsigned> Reader::ReadHex4() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = Peek();
        const int digit = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
        if (AtEnd() || digit < 0) {
            Fail("expected four hexadecimal digits after \\u");
            return std::nullopt;
        }
        Next();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// \uXXXX, with a surrogate pair joined into one character; a lone surrogate is refused.
bool Reader::ReadEscape(std::string& out) {
    if (AtEnd()) {
        return Fail("unterminated string");
    }
    switch (Next()) {
        case '"':
            out += '"';
            return true;
        case '\\':
            out += '\\';
            return true;
        case '/':
            out += '/';
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return Fail("unknown escape in a string");
    }
    const std::optional<unsigned> high = ReadHex4();
    if (!high) {
        return false;
    }
    if (*high < 0xD800 || *high > 0xDFFF) {
        AppendUtf8(out, *high);
        return true;
    }
    if (*high > 0xDBFF || !Consume('\\') || !Consume('u')) {
        return Fail("unpaired surrogate in a string");
    }
    const std::optional<unsigned> low = ReadHex4();
    if (!low || *low < 0xDC00 || *low > 0xDFFF) {
        return low ? Fail("unpaired surrogate in a string") : false;
    }
    AppendUtf8(out, 0x10000 + ((*high - 0xD800) << 10) + (*low - 0xDC00));
    return true;
}

bool Reader::ReadString(std::string& out) {
    if (!Expect('"', "a string")) {
        return false;
    }
    while (!AtEnd()) {
        const char c = Next();
        if (c == '"') {
            return true;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            return Fail("control character in a string (write it as an escape)");
        }
        if (c != '\\') {
            out += c;
        } else if (!ReadEscape(out)) {
            return false;
        }
    }
    return Fail("unterminated string");
}

bool Reader::ReadDigits(std::string& out) {
    if (AtEnd() || Peek() < '0' || Peek() > '9') {
        return Fail("expected a digit");
    }
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
        out += Next();
    }
    return true;
}

// JSON's number grammar, kept as written: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool Reader::ReadNumber(std::string& out) {
    if (Peek() == '-') {
        out += Next();
    }
    if (Peek() == '0') {
        out += Next();
    } else if (!ReadDigits(out)) {
        return false;
    }
    if (Peek() == '.') {
        out += Next();
        if (!ReadDigits(out)) {
            return false;
        }
    }
    if (Peek() == 'e' || Peek() == 'E') {
        out += Next();
        if (Peek() == '+' || Peek() == '-') {
            out += Next();
        }
        return ReadDigits(out);
    }
    return true;
}

bool Reader::ReadMember(JsonMember& member) {
    if (!ReadString(member.key)) {
        return false;
    }
    member.line = line_;
    lastKey_ = member.key;
    if (!Expect(':', "':'")) {
        return false;
    }
    SkipSpace();
    const char c = Peek();
    if (c == '"') {
        member.type = JsonMember::Type::String;
        return ReadString(member.value);
    }
    if (c == '-' || (c >= '0' && c <= '9')) {
        member.type = JsonMember::Type::Number;
        return ReadNumber(member.value);
    }
    return Fail("expected a string or a number as the value of " + JsonQuote(member.key) +
                " (a profile holds no objects, arrays, true, false or null)");
}

bool Reader::ReadMembers(std::vector<JsonMember>& members) {
    SkipSpace();
    if (Consume('}')) {
        return true;
    }
    for (;;) {
        JsonMember member;
        if (!ReadMember(member)) {
            return false;
        }
        members.push_back(std::move(member));
        SkipSpace();
        if (Consume('}')) {
            return true;
        }
        if (!Consume(',')) {
            return Fail("expected ',' or '}'");
        }
    }
}

JsonReadResult Reader::ReadObject() {
    JsonReadResult result;
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
        pos_ = 3;  // a byte-order mark that some editors put first
    }
    const bool ok = Expect('{', "'{' at the start of the object") && ReadMembers(result.members);
    SkipSpace();
    if (ok && !AtEnd()) {
        Fail("text after the end of the object");
    }
    result.error = error_;
    return result;
}

}  // namespace

JsonReadResult ReadFlatJsonObject(std::string_view text) {
    return Reader(text).ReadObject();
}

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string WriteFlatJsonObject(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{\n";
    for (std::size_t i = 0; i < members.size(); ++i) {
        out += "  " + JsonQuote(members[i].first) + ": " + JsonQuote(members[i].second);
        out += i + 1 < members.size() ? ",\n" : "\n";
    }
    return out + "}\n";
}

}  // namespace tq
