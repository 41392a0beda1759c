#include "BenchStats.h"

#include <algorithm>
#include <cmath>

double percentile(std::vector<double> samples, double p)
{
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    p = std::clamp(p, 0.0, 100.0);
    const double rank = p / 100.0 * static_cast<double>(samples.size() - 1);
    const size_t below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, samples.size() - 1);
    const double fraction = rank - static_cast<double>(below);
    return samples[below] + (samples[above] - samples[below]) * fraction;
}

std::string jsonEscape(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '"': escaped += "\\\""; break;
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char code[8];
                std::snprintf(code, sizeof(code), "\\u%04x", c);
                escaped += code;
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

void JsonWriter::separator(const char* key)
{
    if (!m_first.empty()) {
        std::fputs(m_first.back() ? "\n" : ",\n", m_out);
        m_first.back() = false;
    }
    std::fprintf(m_out, "%*s", static_cast<int>(2 * m_first.size()), "");
    if (key != nullptr) {
        std::fprintf(m_out, "\"%s\": ", jsonEscape(key).c_str());
    }
}

void JsonWriter::open(const char* key, char bracket)
{
    separator(key);
    std::fputc(bracket, m_out);
    m_first.push_back(true);
}

void JsonWriter::close(char bracket)
{
    m_first.pop_back();
    std::fprintf(m_out, "\n%*s%c", static_cast<int>(2 * m_first.size()), "", bracket);
    if (m_first.empty()) {
        std::fputc('\n', m_out);
    }
}

void JsonWriter::number(const char* key, double value)
{
    separator(key);
    if (std::isfinite(value)) {
        std::fprintf(m_out, "%.6g", value);
    } else {
        std::fputs("null", m_out);
    }
}

void JsonWriter::integer(const char* key, long long value)
{
    separator(key);
    std::fprintf(m_out, "%lld", value);
}

void JsonWriter::string(const char* key, const std::string& value)
{
    separator(key);
    std::fprintf(m_out, "\"%s\"", jsonEscape(value).c_str());
}
