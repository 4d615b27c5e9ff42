#include "fwpack/Commands.h"

#include "fwpack/AttributeText.h"
#include "fwpack/ExitCode.h"
#include "fwpack/ManifestLoader.h"
#include "fwpack/ManifestParser.h"
#include "fwpack/PackageWriter.h"
#include "package/Attributes.h"
#include "package/FileByteSource.h"
#include "package/MemoryByteSource.h"
#include "package/NoticeParse.h"
#include "package/PackageLayout.h"
#include "platform/files/File.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace fwpack {

namespace {

const char* const USAGE =
    "usage: fwpack build [--depfile FILE] <manifest> <input-executable> <output>\n"
    "       fwpack build-package [--depfile FILE] <manifest> <output>\n"
    "       fwpack list <file>\n";

int usage_error(std::ostream& err, const std::string& problem)
{
    err << "fwpack: " << problem << "\n" << USAGE;
    return FWPACK_EXIT_FAILURE;
}

int failure(std::ostream& err, const std::string& problem)
{
    err << "fwpack: " << problem << "\n";
    return FWPACK_EXIT_FAILURE;
}

// Opens a file to be read in place. Only regular files: a device or a pipe
// named by mistake is refused instead of read.
fw::File open_regular_file(const std::filesystem::path& path, std::string& problem)
{
    std::error_code status_error;
    const auto status = std::filesystem::status(path, status_error);
    if (status_error) {
        problem = status_error.message();
        return {};
    }
    if (!std::filesystem::is_regular_file(status)) {
        problem = "not a regular file";
        return {};
    }
    fw::File file = fw::File::open_read(path.string());
    if (!file.is_open())
        problem = file.error();
    return file;
}

std::string shown(const std::filesystem::path& path)
{
    return quote_text(path.string());
}

bool read_text_file(const std::filesystem::path& path, std::string& text)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return in.good() || in.eof();
}

// Makefile rules escape blanks, '#' and '$' in file names.
std::string depfile_path(const std::filesystem::path& path)
{
    std::string escaped;
    for (char c : std::filesystem::absolute(path).string()) {
        if (c == ' ' || c == '#')
            escaped += '\\';
        if (c == '$')
            escaped += '$';
        escaped += c;
    }
    return escaped;
}

bool write_depfile(const BuildRequest& request, const std::vector<std::filesystem::path>& inputs)
{
    std::ofstream dep(*request.depfile, std::ios::binary | std::ios::trunc);
    dep << depfile_path(request.output) << ":";
    dep << " \\\n  " << depfile_path(request.manifest);
    for (const auto& input : inputs)
        dep << " \\\n  " << depfile_path(input);
    dep << "\n";
    dep.close();
    return static_cast<bool>(dep);
}

// Writes the executable (when given) and the package to a file beside the
// output and renames it over the output, so a failure leaves no half file.
bool write_output(const BuildRequest& request, const std::vector<std::uint8_t>& package, std::string& problem)
{
    std::filesystem::path temporary = request.output;
    temporary += ".fwpack-tmp";
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            problem = "cannot create " + shown(temporary);
            return false;
        }
        if (request.executable) {
            std::ifstream in(*request.executable, std::ios::binary);
            if (!in) {
                problem = "cannot read " + shown(*request.executable);
                std::filesystem::remove(temporary, error);
                return false;
            }
            char chunk[65536];
            while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
                out.write(chunk, in.gcount());
            if (in.bad()) {
                problem = "read error on " + shown(*request.executable);
                std::filesystem::remove(temporary, error);
                return false;
            }
        }
        out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
        out.close();
        if (!out) {
            problem = "write error on " + shown(temporary);
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    if (request.executable) {
        const auto permissions = std::filesystem::status(*request.executable, error).permissions();
        if (!error)
            std::filesystem::permissions(temporary, permissions, error);
    }
    std::filesystem::rename(temporary, request.output, error);
    if (error) {
        problem = "cannot write " + shown(request.output) + ": " + error.message();
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

std::string hex32(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The notice line of `fwpack list`; returns false when the record is refused.
bool print_notice(fw::ByteSource& source, const fw::PackageEntryInfo& entry, std::ostream& out, std::string& problem)
{
    // Nothing after the header and the longest text is ever read.
    const std::size_t wanted = std::min<std::size_t>(entry.data_length, fw::NOTICE_HEADER_SIZE + fw::NOTICE_TEXT_MAX);
    std::vector<std::uint8_t> data(wanted);
    if (!source.read_at(entry.data_offset, data.data(), data.size())) {
        problem = "read error at offset " + std::to_string(entry.data_offset);
        return false;
    }
    const fw::NoticeParse parse = fw::parse_notice_record(data.data(), data.size());
    if (!parse.ok()) {
        out << "  notice: refused, " << parse.message << "\n";
        problem = parse.message;
        return false;
    }
    const fw::NoticeRecord& notice = parse.record;
    out << "  notice: vendor " << quote_text(notice.vendor) << ", title " << quote_text(notice.title)
        << ", close_after " << notice.close_after << ", ftp_only " << unsigned(notice.ftp_only)
        << ", tftp_only " << unsigned(notice.tftp_only) << ", text_length " << notice.text_length
        << ", color " << hex32(notice.text_color) << ", blink " << (notice.no_blink == 0 ? 1 : 0);
    if (notice.text_cut)
        out << ", text cut to " << notice.message_text.size() << " bytes";
    out << "\n";
    return true;
}

}  // namespace

int build_command(const BuildRequest& request, std::ostream& out, std::ostream& err)
{
    std::string manifest_text;
    if (!read_text_file(request.manifest, manifest_text))
        return failure(err, "cannot read manifest " + shown(request.manifest));
    std::filesystem::path base_dir = request.manifest.parent_path();
    if (base_dir.empty())
        base_dir = ".";
    const ManifestParse parse = parse_manifest(manifest_text, base_dir, request.manifest.string());
    if (!parse.ok())
        return failure(err, parse.error);
    const LoadedEntries loaded = load_entries(parse.entries, request.manifest.string());
    if (!loaded.ok())
        return failure(err, loaded.error);
    const PackageBytes package = encode_package(loaded.entries);
    if (!package.ok())
        return failure(err, request.manifest.string() + ": " + package.error);

    // Whatever is written must be what the reader accepts.
    fw::MemoryByteSource written(package.bytes);
    if (const fw::PackageCheck check = fw::validate_package(written); !check.ok())
        return failure(err, "internal error, the package built does not validate: " + check.message);

    std::uint64_t executable_size = 0;
    if (request.executable) {
        std::string problem;
        fw::File executable_file = open_regular_file(*request.executable, problem);
        if (!executable_file.is_open())
            return failure(err, "cannot open " + shown(*request.executable) + ": " + problem);
        fw::FileByteSource executable(executable_file);
        if (fw::has_package_magic(executable))
            return failure(err, shown(*request.executable) +
                                    " already carries a package; build from the executable without one");
        std::error_code error;
        if (std::filesystem::equivalent(*request.executable, request.output, error))
            return failure(err, "the output must not be the input executable");
        executable_size = executable.size();
    }

    std::string problem;
    if (!write_output(request, package.bytes, problem))
        return failure(err, problem);
    if (request.depfile && !write_depfile(request, loaded.inputs))
        return failure(err, "cannot write depfile " + shown(*request.depfile));

    out << "fwpack: wrote " << shown(request.output) << ": " << loaded.entries.size() << " entries, package "
        << package.bytes.size() << " bytes";
    if (request.executable)
        out << " after " << executable_size << " bytes of " << shown(*request.executable);
    out << "\n";
    return FWPACK_EXIT_OK;
}

int list_command(const std::filesystem::path& file, std::ostream& out, std::ostream& err)
{
    std::string open_problem;
    fw::File opened = open_regular_file(file, open_problem);
    if (!opened.is_open())
        return failure(err, "cannot open " + shown(file) + ": " + open_problem);
    fw::FileByteSource source(opened);
    const fw::PackageCheck check = fw::validate_package(source);
    if (check.error == fw::PackageError::NoPackage) {
        err << "fwpack: " << shown(file) << " carries no package\n";
        return FWPACK_EXIT_NO_PACKAGE;
    }
    if (!check.ok()) {
        err << "fwpack: " << shown(file) << ": damaged package: " << check.message << "\n";
        return FWPACK_EXIT_DAMAGED;
    }

    out << "package: " << check.entries.size() << " entries, " << check.package_size << " bytes at offset "
        << check.package_offset << "\n";
    for (std::size_t i = 0; i < check.entries.size(); ++i) {
        const fw::PackageEntryInfo& entry = check.entries[i];
        out << "entry " << i << ": " << quote_text(entry.name) << " " << describe_attribute(entry.attribute)
            << ", entry_length " << entry.entry_length << ", data " << entry.data_length << " bytes\n";
        if ((entry.attribute & fw::ATTR_MESSAGE_FILE) == 0)
            continue;
        std::string problem;
        if (!print_notice(source, entry, out, problem)) {
            err << "fwpack: " << shown(file) << ": damaged package: entry " << i << ": " << problem << "\n";
            return FWPACK_EXIT_DAMAGED;
        }
    }
    return FWPACK_EXIT_OK;
}

int run_fwpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage_error(err, "no command given");
    const std::string& command = args[0];
    if (command == "help" || command == "--help" || command == "-h") {
        out << USAGE;
        return FWPACK_EXIT_OK;
    }
    if (command == "list") {
        if (args.size() != 2)
            return usage_error(err, "list takes one file");
        return list_command(args[1], out, err);
    }
    if (command == "build" || command == "build-package") {
        BuildRequest request;
        std::vector<std::string> positional;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--depfile") {
                if (i + 1 == args.size())
                    return usage_error(err, "--depfile needs a file name");
                request.depfile = args[++i];
            } else {
                positional.push_back(args[i]);
            }
        }
        const std::size_t wanted = command == "build" ? 3 : 2;
        if (positional.size() != wanted)
            return usage_error(err, command + " takes " + std::to_string(wanted) + " file names");
        request.manifest = positional[0];
        if (command == "build")
            request.executable = positional[1];
        request.output = positional.back();
        return build_command(request, out, err);
    }
    return usage_error(err, "unknown command " + quote_text(command));
}

}  // namespace fwpack
