#include "cli/Cli.h"

#include "plugins/AudioInfo.h"
#include "plugins/Pluginmanager.h"
#include "storage/Utf8.h"

#include <nlohmann/json.hpp>

#include <array>
#include <memory>
#include <ostream>
#include <vector>

namespace tl::cli {
namespace {

/** The fields printed, in order: the ones the plug-in fills, as the song record names
 *  them. Integers are marked so JSON writes them as numbers. */
struct PrintedField {
    const char* name;
    bool integer;
};
constexpr std::array<PrintedField, 16> PrintedFields = {{
    {"Artist", false},
    {"Title", false},
    {"Album", false},
    {"Year", false},
    {"Genre", false},
    {"Length", true},
    {"Type", false},
    {"Bitrate", true},
    {"Frequency", true},
    {"Mode", false},
    {"Binary", false},
    {"Tag", false},
    {"Comment", false},
    {"OArtist", false},
    {"Composer", false},
    {"Track", false},
}};

std::int64_t integerField(const AudioFileInfo& info, std::string_view name) {
    if (name == "Length")
        return info.Length;
    if (name == "Bitrate")
        return info.Bitrate;
    return info.Frequency;
}

/** Lets the plug-in of @p path analyse it. False (with a message) when no plug-in reads
 *  the file or it cannot be opened. */
bool analyse(Context& ctx, const PluginManager& plugins, const std::string& path, int options,
             AudioFileInfo& info, int& result) {
    switch (plugins.analyseFile(path, options, info, result)) {
    case AnalyseOutcome::Analysed:
        return true;
    case AnalyseOutcome::NoPlugin:
    case AnalyseOutcome::NoAnalyser:
        ctx.fail("Cli", "NoPlugin", {path});
        return false;
    case AnalyseOutcome::CannotOpen:
        break;
    }
    ctx.fail("Cli", "CannotOpen", {path});
    return false;
}

void printText(std::ostream& out, const std::string& path, int result, const AudioFileInfo& info) {
    out << "File: " << path << "\n"
        << "  result: " << result << "\n"
        << "  fileSize: " << info.fileSize << "\n";
    for (const PrintedField& field : PrintedFields) {
        out << "  " << field.name << ": ";
        if (field.integer)
            out << integerField(info, field.name);
        else
            out << utf8Sanitized(audioText(info, *audioTextField(field.name)));
        out << "\n";
    }
}

nlohmann::ordered_json toJson(const std::string& path, int result, const AudioFileInfo& info) {
    nlohmann::ordered_json entry;
    entry["file"] = utf8Sanitized(path);
    entry["result"] = result;
    entry["fileSize"] = info.fileSize;
    for (const PrintedField& field : PrintedFields) {
        if (field.integer)
            entry[field.name] = integerField(info, field.name);
        else
            entry[field.name] = utf8Sanitized(audioText(info, *audioTextField(field.name)));
    }
    return entry;
}

} // namespace

void addInfoCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("info", "Analyse audio files with their plug-ins and print "
                                           "what the plug-ins report.");
    struct Options {
        bool json = false;
        bool quick = false;
        std::vector<std::string> files;
    };
    auto opts = std::make_shared<Options>();
    cmd->add_flag("--json", opts->json, "print one JSON array");
    cmd->add_flag("--quick", opts->quick, "estimate the playing time of variable-rate streams");
    cmd->add_option("FILE", opts->files, "audio files")->required();
    cmd->callback([&ctx, opts] {
        const bool json = opts->json;
        PluginManager plugins(ctx.appDir + "plugins/");
        plugins.load();
        const int options =
            pluginOptionsFor(ctx.settings()) | (opts->quick ? TL_AFI_OPTION_QUICK : 0);
        nlohmann::ordered_json doc = nlohmann::ordered_json::array();
        ctx.status = ExitOk;
        bool first = true;
        for (const std::string& path : opts->files) {
            AudioFileInfo info{};
            int result = 0;
            if (!analyse(ctx, plugins, path, options, info, result))
                continue;
            if (json) {
                doc.push_back(toJson(path, result, info));
            } else {
                if (!first)
                    *ctx.out << "\n";
                printText(*ctx.out, path, result, info);
            }
            first = false;
        }
        if (json)
            *ctx.out << doc.dump(2) << "\n";
    });
}

} // namespace tl::cli
