// Loads any byte sequence as a report template and expands every block against a fixed
// record; the same bytes are also expanded as one block text on their own.
#include "report/ReportTemplate.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

tl::PlainBlockContext fixedContext() {
    tl::PlainBlockContext context;
    context.record[tl::Artist] = "Dvořák & Sons <Live>";
    context.record[tl::Title] = "Bohemian Rhapsody";
    // Two columns a character, and letters with combining marks: cuts by display columns.
    context.record[tl::Album] = "坂本龍一 戦場のメリークリスマス 🎄";
    context.record[tl::Composer] = "Dvor\xCC\x8C"
                                   "a\xCC\x81k \xE1\x84\x8B\xE1\x85\xB5";
    context.record[tl::Length] = "245";
    context.record[tl::Size] = "734003200";
    context.record[tl::Date] = "11507";
    context.record[tl::VolName] = "ROCK_2001";
    context.record[tl::VolSerial] = "0F1E2D3C";
    context.record[tl::Path] = "Queen/Opera";
    context.current = context.record;
    context.count = {3, 4, 1, 2, 1000, 67};
    context.driveTable =
        tl::takeDriveTable({{"/media/cd", "iso9660", "/dev/sr0", "ROCK_2001", "0F1E2D3C", false}});
    context.path = "/tmp/report.list.html";
    context.date = {2001, 7, 4};
    context.hasInclude = true;
    context.includeData = "<style/>";
    return context;
}

void expandChecked(const tl::TemplateBlock& block, tl::BlockContext& context,
                   const tl::CellOptions& cells) {
    std::string out;
    const tl::ExpandResult result = block.expand(context, cells, out);
    if (out.size() > tl::MaxBlockBytes || result.detail.size() > tl::MaxDetailBytes ||
        (result.status == tl::ExpandStatus::EolError && result.position != block.text().size()) ||
        result.position > block.text().size())
        ::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int fd = ::memfd_create("template", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size)) {
        const tl::TemplateLoadResult loaded =
            tl::loadReportTemplate("/proc/self/fd/" + std::to_string(fd));
        if (loaded.ok()) {
            tl::PlainBlockContext context = fixedContext();
            for (const tl::TemplateBlock& block : loaded.tpl.blocks)
                expandChecked(block, context, loaded.tpl.cellOptions());
            for (const std::string& name : loaded.tpl.copy)
                (void)tl::isSafeCopyName(name);
        }
    }
    ::close(fd);

    tl::PlainBlockContext context = fixedContext();
    expandChecked(tl::TemplateBlock("Item", bytes), context, {true, "&nbsp;"});
    (void)tl::parseFieldList(bytes);
    (void)tl::parseTime(bytes);
    (void)tl::parseDate(bytes, tl::DateOrder::DayFirst);
    (void)tl::parseDate(bytes, tl::DateOrder::MonthFirst);
    return 0;
}
