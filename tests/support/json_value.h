// A small JSON reader for test manifests: objects, arrays, strings (with
// \uXXXX escapes, surrogate pairs included, turned into UTF-8), numbers,
// true, false and null. Malformed text gives a null value and an error.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> fields;

  // The field `name` of an object, or a null value.
  const JsonValue &operator[](const std::string &name) const {
    static const JsonValue none;
    auto found = fields.find(name);
    return found == fields.end() ? none : found->second;
  }
  bool IsNull() const { return kind == Kind::Null; }
};

class JsonReader {
public:
  // Parses the whole of `source`; `error` is empty when it was well formed.
  static JsonValue Parse(const std::string &source, std::string &error) {
    JsonReader reader(source);
    JsonValue value = reader.Value();
    reader.SkipSpace();
    if (reader.error_.empty() && reader.at_ != source.size())
      reader.Fail("text after the value");
    error = reader.error_;
    return error.empty() ? value : JsonValue();
  }

private:
  explicit JsonReader(const std::string &source) : source_(source) {}

  void Fail(const char *what) {
    if (error_.empty())
      error_ = std::string(what) + " at offset " + std::to_string(at_);
  }
  bool More() const { return at_ < source_.size(); }
  void SkipSpace() {
    while (More() && (source_[at_] == ' ' || source_[at_] == '\n' || source_[at_] == '\r' || source_[at_] == '\t'))
      at_++;
  }
  bool Take(char c) {
    SkipSpace();
    if (More() && source_[at_] == c) {
      at_++;
      return true;
    }
    return false;
  }
  bool Word(const char *word) {
    std::string w = word;
    if (source_.compare(at_, w.size(), w) != 0)
      return false;
    at_ += w.size();
    return true;
  }

  JsonValue Value() {
    JsonValue value;
    if (++depth_ > 64) {
      Fail("nesting too deep");
      return value;
    }
    SkipSpace();
    if (!More()) {
      Fail("unexpected end");
    } else if (source_[at_] == '{') {
      at_++;
      value.kind = JsonValue::Kind::Object;
      if (!Take('}')) {
        do {
          SkipSpace();
          std::string name = String();
          if (!Take(':'))
            Fail("expected ':'");
          value.fields[name] = Value();
        } while (error_.empty() && Take(','));
        if (!Take('}'))
          Fail("expected '}'");
      }
    } else if (source_[at_] == '[') {
      at_++;
      value.kind = JsonValue::Kind::Array;
      if (!Take(']')) {
        do
          value.items.push_back(Value());
        while (error_.empty() && Take(','));
        if (!Take(']'))
          Fail("expected ']'");
      }
    } else if (source_[at_] == '"') {
      value.kind = JsonValue::Kind::String;
      value.text = String();
    } else if (Word("true")) {
      value.kind = JsonValue::Kind::Bool;
      value.boolean = true;
    } else if (Word("false")) {
      value.kind = JsonValue::Kind::Bool;
    } else if (Word("null")) {
    } else {
      const char *start = source_.c_str() + at_;
      char *end = nullptr;
      value.number = strtod(start, &end);
      if (end == start)
        Fail("unexpected character");
      at_ += static_cast<size_t>(end - start);
      value.kind = JsonValue::Kind::Number;
    }
    depth_--;
    return value;
  }

  unsigned Hex4() {
    if (at_ + 4 > source_.size()) {
      Fail("cut \\u escape");
      return 0;
    }
    unsigned code = 0;
    for (int i = 0; i < 4; i++) {
      char c = source_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9')
        code |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f')
        code |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        code |= static_cast<unsigned>(c - 'A' + 10);
      else
        Fail("bad \\u escape");
    }
    return code;
  }

  static void AppendUtf8(std::string &out, uint32_t code) {
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

  std::string String() {
    std::string out;
    if (!More() || source_[at_] != '"') {
      Fail("expected a string");
      return out;
    }
    at_++;
    while (More() && source_[at_] != '"') {
      char c = source_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (!More())
        break;
      char e = source_[at_++];
      switch (e) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        uint32_t code = Hex4();
        if (code >= 0xD800 && code < 0xDC00 && Word("\\u")) {
          uint32_t low = Hex4();
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
        break;
      }
      default: out += e; break; // \" \\ \/
      }
    }
    if (!More())
      Fail("unterminated string");
    else
      at_++;
    return out;
  }

  const std::string &source_;
  size_t at_ = 0;
  int depth_ = 0;
  std::string error_;
};
