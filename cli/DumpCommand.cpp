#include "cli/Cli.h"

#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"
#include "storage/Utf8.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace tl::cli {
namespace {

std::string fieldKey(const RecordFile& file, std::uint32_t index) {
    if (file.fieldCount() == FieldCount)
        return std::string(fieldName(static_cast<int>(index)));
    return std::to_string(index);
}

// What a record file result means, in the user's language.
std::string resultText(const Context& ctx, RecordResult result) {
    return ctx.text("Cli", "Result" + std::to_string(static_cast<int>(result)));
}

void dump(Context& ctx, const std::string& path, bool json) {
    RecordFile file;
    RecordResult result = file.open(path);
    if (result != RecordResult::Ok) {
        ctx.fail("Cli", "RecordFailed", {path, resultText(ctx, result), static_cast<int>(result)});
        return;
    }
    const RecordType& type = file.type();
    const std::string tag = utf8Sanitized(std::string(type.tagText().data(), strnlen(type.tag, 4)));
    nlohmann::ordered_json doc;
    std::ostream& out = *ctx.out;
    if (json) {
        doc["type"] = tag;
        doc["typeVersion"] = type.version;
        doc["typeCompatibility"] = type.compatibility;
        doc["fieldCount"] = file.fieldCount();
        doc["records"] = nlohmann::ordered_json::array();
    } else {
        out << "File: " << path << "\n"
            << "Type: " << tag << "\n"
            << "Type version: " << type.version << "\n"
            << "Type compatibility: " << type.compatibility << "\n"
            << "Field count: " << file.fieldCount() << "\n";
    }
    PackedRecord record;
    std::uint32_t count = 0;
    while ((result = file.readNext(record)) == RecordResult::Ok) {
        ++count;
        if (json) {
            nlohmann::ordered_json fields = nlohmann::ordered_json::object();
            for (std::uint32_t i = 0; i < file.fieldCount(); ++i)
                fields[fieldKey(file, i)] = utf8Sanitized(file.fieldText(record, i));
            doc["records"].push_back(std::move(fields));
        } else {
            out << "\nRecord " << record.number << "\n";
            for (std::uint32_t i = 0; i < file.fieldCount(); ++i)
                out << "  " << fieldKey(file, i) << ": " << utf8Sanitized(file.fieldText(record, i))
                    << "\n";
        }
    }
    if (result != RecordResult::EndOfFile) {
        ctx.fail("Cli", "RecordReadFailed",
                 {path, count, resultText(ctx, result), static_cast<int>(result)});
        return;
    }
    if (json)
        out << doc.dump(2) << "\n";
    ctx.status = ExitOk;
}

} // namespace

void addDumpCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("dump", "Print a catalogue file's header and records.");
    static bool json = false;
    static std::string path;
    cmd->add_flag("--json", json, "Print JSON");
    cmd->add_option("FILE", path, "Song database (.sds) or digest (.sdd)")->required();
    cmd->callback([&ctx] { dump(ctx, path, json); });
}

} // namespace tl::cli
