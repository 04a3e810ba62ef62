// ParseIniText over arbitrary bytes: what it keeps survives a write-back and a read
// unchanged (format, parse and format again give the same text), every section kept has a
// key, and no kept name or value holds a line feed.
#include "fuzz.h"
#include "files/ini.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<qvt::IniSection> sections = qvt::ParseIniText(input);
    for (const qvt::IniSection& s : sections) {
        if (s.keys.empty()) std::abort();
        for (const qvt::IniKey& k : s.keys) {
            if (k.value.empty() || k.value.view().find('\n') != std::string_view::npos) std::abort();
            if (k.name.view().find_first_of(" \t=\n") != std::string_view::npos) std::abort();
        }
    }
    const std::string once = qvt::FormatIniText(sections);
    if (qvt::FormatIniText(qvt::ParseIniText(once)) != once) std::abort();
}
