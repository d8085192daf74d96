// A small JSON writer: objects and arrays with commas handled, numbers in round-trip precision.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vexlot {

class JsonWriter {
public:
    explicit JsonWriter(bool oneLine) : oneLine_(oneLine) {}

    void beginObject(const char* key = nullptr) { open(key, '{'); }
    void endObject() { close('}'); }
    void beginArray(const char* key = nullptr) { open(key, '['); }
    void endArray() { close(']'); }

    void value(const char* key, int64_t v) { raw(key, std::to_string(v)); }
    void value(const char* key, int32_t v) { value(key, static_cast<int64_t>(v)); }
    void value(const char* key, int16_t v) { value(key, static_cast<int64_t>(v)); }
    void value(const char* key, bool v) { raw(key, v ? "true" : "false"); }
    void value(const char* key, float v) { raw(key, number(v, "%.9g")); }
    void value(const char* key, double v) { raw(key, number(v, "%.17g")); }
    void value(const char* key, const std::string& v) { raw(key, quote(v)); }
    void value(const char* key, const char* v) { raw(key, quote(v)); }

    const std::string& str() const { return out_; }

private:
    static std::string number(double v, const char* format) {
        if (!std::isfinite(v)) return "null";
        char buf[40];
        std::snprintf(buf, sizeof buf, format, v);
        return buf;
    }
    static std::string quote(const std::string& s) {
        std::string q = "\"";
        for (char c : s) {
            if (c == '"' || c == '\\') q += '\\';
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                q += buf;
                continue;
            }
            q += c;
        }
        return q + "\"";
    }
    void separator(const char* key) {
        if (needComma_) out_ += ',';
        if (!oneLine_ && depth_ > 0) newLine();
        if (key) out_ += quote(key) + ":";
        needComma_ = true;
    }
    void newLine() {
        out_ += '\n';
        out_.append(static_cast<size_t>(2 * depth_), ' ');
    }
    void raw(const char* key, const std::string& text) {
        separator(key);
        out_ += text;
    }
    void open(const char* key, char c) {
        separator(key);
        out_ += c;
        ++depth_;
        needComma_ = false;
    }
    void close(char c) {
        --depth_;
        if (!oneLine_ && needComma_) newLine();
        out_ += c;
        needComma_ = true;
    }

    bool oneLine_;
    int depth_ = 0;
    bool needComma_ = false;
    std::string out_;
};

}  // namespace vexlot
