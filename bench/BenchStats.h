#pragma once
// Order statistics and a small JSON writer for the benchmark programs.
#include <cstdio>
#include <string>
#include <vector>

// The p-th percentile (0..100) of the samples, linearly interpolated between
// the two nearest ranks; 0 for no samples. The samples are left untouched.
double percentile(std::vector<double> samples, double p);
inline double median(const std::vector<double>& samples)
{
    return percentile(samples, 50.0);
}

// Writes one JSON object, member by member, with nested objects and arrays
// (whose members take no key). Numbers that are not finite are written as null.
class JsonWriter {
public:
    explicit JsonWriter(std::FILE* out) : m_out(out) {}
    void beginObject(const char* key = nullptr) { open(key, '{'); }
    void endObject() { close('}'); }
    void beginArray(const char* key = nullptr) { open(key, '['); }
    void endArray() { close(']'); }
    void number(const char* key, double value);
    void integer(const char* key, long long value);
    void string(const char* key, const std::string& value);

private:
    void separator(const char* key);
    void open(const char* key, char bracket);
    void close(char bracket);
    std::FILE* m_out;
    std::vector<bool> m_first; // per open object or array: no member written yet
};

std::string jsonEscape(const std::string& text);
