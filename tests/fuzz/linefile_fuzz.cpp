// The line file cache over a memory file of arbitrary bytes: every line number answers
// without reading out of bounds, a line never holds a line feed, and once a line is put the
// whole file written back and read again gives the same lines.
#include "fuzz.h"
#include "files/line_file.h"
#include "files/memfile.h"
#include "files/whole_file.h"

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    qvt::ResetTextFileLines();
    qvt::MemoryFile file(std::vector<std::uint8_t>(data, data + size));
    for (std::int32_t line = -1; line <= qvt::kTextFileLines; ++line) {
        const qvt::RuntimeString text = qvt::GetTextFileLine(file.name(), line);
        if (text.view().find('\n') != std::string_view::npos) std::abort();
    }
    const std::vector<std::string> lines =
        qvt::SplitFileLines(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = qvt::FormatTextFileLines(lines);
    if (qvt::SplitFileLines(written) != lines) std::abort();
    qvt::ResetTextFileLines();
}
