#include "cli/FlatJson.h"

#include <algorithm>
#include <istream>
#include <nlohmann/json.hpp>
#include <streambuf>

namespace tq {

namespace {

using Json = nlohmann::json;

// The text as the library reads it. The library tells its handler nothing of where it is, but the
// buffer it reads from knows how many bytes it has taken. The buffer is only ever read.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
    std::size_t Taken() const { return static_cast<std::size_t>(gptr() - eback()); }
};

// Turns a count of bytes read into the line and column of the last byte read, both counted from 1
// (a newline belongs to the line it ends; the end of the text is one byte past its last). The
// counts only grow while one text is read, so each step counts the newlines of the new stretch
// alone: a large profile of many members is not counted from its start for each of them.
class TextPosition {
public:
    explicit TextPosition(std::string_view text) : text_(text) {}

    void MoveTo(std::size_t bytesRead) {
        const std::size_t index = bytesRead == 0 ? 0 : bytesRead - 1;
        if (index < index_) {
            *this = TextPosition(text_);
        }
        for (std::size_t i = index_; i < std::min(index, text_.size()); ++i) {
            if (text_[i] == '\n') {
                ++line_;
                lineStart_ = i + 1;
            }
        }
        index_ = index;
    }
    int Line() const { return line_; }
    std::size_t Column() const { return index_ - lineStart_ + 1; }

private:
    std::string_view text_;
    std::size_t index_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
};

// The library's own words for what is wrong, without its prefix ("[json.exception.parse_error.101]
// parse error at line 1, column 3: "), since the caller gives the place, and without the bytes it
// last read ("; last read: '...'"): they are the file's own and may be anything at all.
std::string LibraryWords(const Json::exception& error, const std::string& lastToken) {
    std::string words = error.what();
    words.erase(0, std::min(words.size(), words.find("] ") + 2));
    if (words.rfind("parse error", 0) == 0) {
        words.erase(0, std::min(words.size(), words.find(": ") + 2));
    }
    const std::string lastRead = "; last read: '" + lastToken + "'";
    if (const std::size_t at = words.find(lastRead); at != std::string::npos) {
        words.erase(at, lastRead.size());
    }
    return words;
}

constexpr const char* kNotAnObject = "expected '{' at the start of the object";

// Collects the members of the one object as the library reports them, and stops it at the first
// thing a profile cannot hold.
class MemberReader : public nlohmann::json_sax<Json> {
public:
    MemberReader(std::string_view text, const TextBuffer& buffer, std::string_view skipped)
        : position_(text), buffer_(buffer), skipped_(skipped) {}

    JsonReadResult& Result() { return result_; }

    bool start_object(std::size_t) override {
        objectStarted_ = true;
        if (Skipping()) {
            return EnterSkipped();
        }
        return depth_++ == 0 || RefuseValue();
    }
    bool end_object() override {
        if (skipDepth_ > 0) {
            return LeaveSkipped();
        }
        --depth_;
        return true;
    }
    bool key(string_t& key) override {
        if (skipDepth_ > 0) {
            return true;
        }
        position_.MoveTo(buffer_.Taken());  // just past the key's closing quote
        member_ = {key, JsonMember::Type::String, {}, position_.Line()};
        keyRead_ = true;
        skipValue_ = depth_ == 1 && !skipped_.empty() && key == skipped_;
        return true;
    }
    bool string(string_t& value) override { return Member(JsonMember::Type::String, value); }
    // The library gives only negative numbers here (the rest come as unsigned), so a 0 here was
    // written "-0": kept as written, for the sign to be refused like any other.
    bool number_integer(number_integer_t value) override {
        return Member(JsonMember::Type::Number, value == 0 ? "-0" : std::to_string(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return Member(JsonMember::Type::Number, std::to_string(value));
    }
    // Also every whole number too large for 64 bits, with its digits as written.
    bool number_float(number_float_t, const string_t& written) override {
        return Member(JsonMember::Type::Number, written);
    }
    bool null() override { return SkipScalar() || RefuseValue(); }
    bool boolean(bool) override { return SkipScalar() || RefuseValue(); }
    bool start_array(std::size_t) override { return Skipping() ? EnterSkipped() : RefuseValue(); }
    // Reached only inside a skipped value: elsewhere arrays end at their start.
    bool end_array() override { return skipDepth_ > 0 && LeaveSkipped(); }
    bool binary(binary_t&) override { return false; }  // not reached: JSON text has none
    // Before the object has begun, whatever the library stumbled on, the text is not a profile.
    bool parse_error(std::size_t offset, const std::string& lastToken,
                     const Json::exception& error) override {
        return Fail(offset, objectStarted_ ? LibraryWords(error, lastToken) : kNotAnObject);
    }

    // The library takes a NUL byte for the end of the text and would ignore whatever follows it;
    // JSON text holds none, so one anywhere is refused where it stands.
    bool RefuseNulBytes(std::string_view text) {
        const std::size_t at = text.find('\0');
        return at == std::string_view::npos ||
               Fail(at + 1, "a NUL byte, which JSON text cannot hold");
    }

private:
    bool Member(JsonMember::Type type, std::string value) {
        if (SkipScalar()) {
            return true;
        }
        if (depth_ == 0) {
            return Fail(buffer_.Taken(), kNotAnObject);
        }
        member_.type = type;
        member_.value = std::move(value);
        result_.members.push_back(member_);
        return true;
    }

    // The value of the skipped member, and everything inside it, is passed over; the member is
    // reported once its value has ended.
    bool Skipping() const { return skipValue_ || skipDepth_ > 0; }
    bool EnterSkipped() {
        skipValue_ = false;
        ++skipDepth_;
        return true;
    }
    bool LeaveSkipped() {
        if (--skipDepth_ == 0) {
            ReportSkipped();
        }
        return true;
    }
    // True when a scalar value belongs to the skipped member (its whole value, or a part of it).
    bool SkipScalar() {
        if (skipDepth_ > 0) {
            return true;
        }
        if (!skipValue_) {
            return false;
        }
        skipValue_ = false;
        ReportSkipped();
        return true;
    }
    void ReportSkipped() {
        member_.type = JsonMember::Type::Skipped;
        member_.value.clear();
        result_.members.push_back(member_);
    }

    bool RefuseValue() {
        if (depth_ == 0) {
            return Fail(buffer_.Taken(), kNotAnObject);
        }
        return Fail(buffer_.Taken(),
                    "expected a string or a number as the value of " + JsonQuote(member_.key) +
                        " (a profile holds no objects, arrays, true, false or null)",
                    false);
    }

    // The place, what is wrong, and the member it follows, which is where a reader will look.
    bool Fail(std::size_t offset, const std::string& what, bool nameLastKey = true) {
        position_.MoveTo(offset);
        const std::string after =
            nameLastKey && keyRead_ ? " after member " + JsonQuote(member_.key) : "";
        result_.error = "line " + std::to_string(position_.Line()) + ", column " +
                        std::to_string(position_.Column()) + ": " + what + after;
        return false;
    }

    TextPosition position_;
    const TextBuffer& buffer_;
    std::string_view skipped_;
    bool skipValue_ = false;  // the next value is the skipped member's
    int skipDepth_ = 0;       // objects and arrays open inside the skipped member's value
    int depth_ = 0;
    bool objectStarted_ = false;
    bool keyRead_ = false;
    JsonMember member_;
    JsonReadResult result_;
};

}  // namespace

JsonReadResult ReadFlatJsonObject(std::string_view text, std::string_view skipped) {
    TextBuffer buffer(text);
    std::istream stream(&buffer);
    MemberReader reader(text, buffer, skipped);
    if (reader.RefuseNulBytes(text)) {
        Json::sax_parse(stream, &reader);
    }
    return std::move(reader.Result());
}

std::string JsonQuote(std::string_view text) {
    return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The library's ordered object keeps the members in the form's order; its indented layout is the
// one member to a line that a profile is written in.
std::string WriteJsonText(const nlohmann::ordered_json& object) {
    return object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string WriteFlatJsonObject(const std::vector<std::pair<std::string, std::string>>& members) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [key, value] : members) {
        object[key] = value;
    }
    return WriteJsonText(object);
}

// Nine digits at most: every field's value has three, and the number stays within 32 bits.
nlohmann::ordered_json NumberOrString(const std::string& text) {
    constexpr std::size_t kMaxDigits = 9;
    if (text.empty() || text.size() > kMaxDigits ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return text;
    }
    return std::stoul(text);
}

}  // namespace tq
