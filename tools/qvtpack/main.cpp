// qvtpack: makes and reads media packs.
//
//   qvtpack create OUT [--lzo|--lzss] [--append-to EXE] FILES_OR_FOLDERS...
//   qvtpack list FILE
//   qvtpack extract FILE DIR
//
// A folder contributes every file below it, named relative to that folder with "/"
// between folders; a file contributes its own name. With --append-to, OUT is a copy of EXE
// with the pack after it (the runtime finds a pack from the end of the file).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "files/pack.h"
#include "platform/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void usage() {
    std::fputs("usage: qvtpack create OUT [--lzo|--lzss] [--append-to EXE] FILES_OR_FOLDERS...\n"
               "       qvtpack list FILE\n"
               "       qvtpack extract FILE DIR\n",
               stderr);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qvtpack: %s\n", message.c_str());
    return kExitFailure;
}

bool readWhole(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read '" + path.string() + "': " + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read '" + path.string() + "'";
        return false;
    }
    return true;
}

bool writeWhole(const fs::path& path, const std::vector<std::uint8_t>& head,
                const std::vector<std::uint8_t>& tail, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    out.close();
    if (!out) {
        error = "cannot write '" + path.string() + "'";
        return false;
    }
    return true;
}

// ---- create -------------------------------------------------------------------------------

struct CreateArgs {
    fs::path out;
    qvt::PackFormat format = qvt::PackFormat::Lzo;
    fs::path appendTo;
    std::vector<fs::path> inputs;
};

bool parseCreate(int argc, char** argv, CreateArgs& args) {
    bool optionsDone = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && a == "--lzo") {
            args.format = qvt::PackFormat::Lzo;
        } else if (!optionsDone && a == "--lzss") {
            args.format = qvt::PackFormat::Lzss;
        } else if (!optionsDone && a == "--append-to") {
            if (++i >= argc) return false;
            args.appendTo = argv[i];
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "qvtpack: unknown option '%s'\n", a.c_str());
            return false;
        } else if (args.out.empty()) {
            args.out = a;
        } else {
            args.inputs.push_back(a);
        }
    }
    return !args.out.empty() && !args.inputs.empty();
}

bool isOutput(const fs::path& path, const fs::path& out) {
    std::error_code ec;
    return fs::exists(out, ec) && fs::equivalent(path, out, ec);
}

bool collectFolder(const fs::path& folder, const fs::path& out, std::vector<qvt::PackFile>& files,
                   std::string& error) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && !isOutput(it->path(), out)) found.push_back(it->path());
    }
    if (ec) {
        error = "cannot walk '" + folder.string() + "': " + ec.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& path : found) {
        qvt::PackFile file;
        file.name = path.lexically_relative(folder).generic_string();
        if (!readWhole(path, file.data, error)) return false;
        files.push_back(std::move(file));
    }
    return true;
}

bool collectInputs(const CreateArgs& args, std::vector<qvt::PackFile>& files, std::string& error) {
    for (const fs::path& input : args.inputs) {
        std::error_code ec;
        const fs::file_status status = fs::status(input, ec);
        if (fs::is_directory(status)) {
            if (!collectFolder(input, args.out, files, error)) return false;
        } else if (fs::is_regular_file(status)) {
            qvt::PackFile file;
            file.name = input.filename().string();
            if (!readWhole(input, file.data, error)) return false;
            files.push_back(std::move(file));
        } else {
            error = "no such file or folder: '" + input.string() + "'";
            return false;
        }
    }
    return true;
}

int create(int argc, char** argv) {
    CreateArgs args;
    if (!parseCreate(argc, argv, args)) {
        usage();
        return kExitUsage;
    }
    std::string error;
    std::vector<qvt::PackFile> files;
    if (!collectInputs(args, files, error)) return fail(error);
    std::vector<std::uint8_t> pack;
    if (!qvt::BuildMediaPack(files, args.format, pack, error)) return fail(error);
    std::vector<std::uint8_t> head;
    if (!args.appendTo.empty() && !readWhole(args.appendTo, head, error)) return fail(error);

    // Written beside OUT and renamed over it, so a failed run leaves no half pack.
    const fs::path partial = args.out.string() + ".partial-" + std::to_string(qvt::platform::processId());
    if (!writeWhole(partial, head, pack, error)) {
        fs::remove(partial);
        return fail(error);
    }
    std::error_code ec;
    if (!args.appendTo.empty()) fs::permissions(partial, fs::status(args.appendTo, ec).permissions(), ec);
    fs::rename(partial, args.out, ec);
    if (ec) {
        fs::remove(partial);
        return fail("cannot write '" + args.out.string() + "': " + ec.message());
    }
    return 0;
}

// ---- list and extract ---------------------------------------------------------------------

bool openPack(const char* path, std::vector<std::uint8_t>& bytes, std::vector<qvt::PackEntry>& entries) {
    std::string error;
    if (!readWhole(path, bytes, error)) {
        fail(error);
        return false;
    }
    if (!qvt::ReadPackDirectory(qvt::MemoryPackSource(bytes), entries)) {
        fail(std::string("'") + path + "' holds no valid media pack");
        return false;
    }
    return true;
}

std::span<const std::uint8_t> storedBytes(const std::vector<std::uint8_t>& bytes, const qvt::PackEntry& e) {
    return std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(e.offset), e.stored);
}

int list(const char* path) {
    std::vector<std::uint8_t> bytes;
    std::vector<qvt::PackEntry> entries;
    if (!openPack(path, bytes, entries)) return kExitFailure;
    std::printf("%-48s %10s %10s  %s\n", "name", "size", "packed", "format");
    int bad = 0;
    for (const qvt::PackEntry& e : entries) {
        qvt::StoredHeader header;
        std::vector<std::uint8_t> data;
        const bool ok = qvt::DecodeStoredEntry(storedBytes(bytes, e), data) &&
                        qvt::ReadStoredHeader(storedBytes(bytes, e), header);
        const char* format = !ok ? "corrupt" : header.format == qvt::PackFormat::Lzss ? "lzss" : "lzo";
        std::printf("%-48s %10zu %10u  %s\n", e.name.c_str(), data.size(), e.stored, format);
        if (!ok) ++bad;
    }
    std::printf("%zu entries\n", entries.size());
    if (bad > 0) return fail(std::to_string(bad) + " corrupt entries in '" + path + "'");
    return 0;
}

int extract(const char* path, const fs::path& dir) {
    std::vector<std::uint8_t> bytes;
    std::vector<qvt::PackEntry> entries;
    if (!openPack(path, bytes, entries)) return kExitFailure;
    // DIR itself is the user's choice and may be reached through links; below it, nothing is.
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return fail("cannot make '" + dir.string() + "': " + ec.message());
    // A name from the pack never leaves DIR: no "..", no absolute path. All are checked
    // before anything is written.
    for (const qvt::PackEntry& e : entries) {
        if (!qvt::ValidPackName(e.name)) return fail("unsafe name in pack: '" + e.name + "'");
    }
    for (const qvt::PackEntry& e : entries) {
        std::vector<std::uint8_t> data;
        if (!qvt::DecodeStoredEntry(storedBytes(bytes, e), data)) return fail("corrupt entry '" + e.name + "'");
        // Made anew below DIR without following any link that already stands there.
        std::string error;
        if (!qvt::platform::writeFileBelow(dir.c_str(), e.name, data.data(), data.size(), &error)) {
            return fail("cannot write '" + (dir / fs::path(e.name)).string() + "': " + error);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "create") return create(argc, argv);
    if (command == "list" && argc == 3) return list(argv[2]);
    if (command == "extract" && argc == 4) return extract(argv[2], argv[3]);
    usage();
    return kExitUsage;
}
