// What the settings file says about how plug-ins analyse files.
#include "cli/Cli.h"

#include "locale/Settings.h"
#include "plugins/PluginInterface.h"

namespace tl::cli {

int settingsPluginOptions(const Context& ctx) {
    Settings settings;
    settings.path = settingsFilePath(ctx.appDir);
    settings.locale = &ctx.locale;
    loadSettings(settings);
    return settings.modernTags ? TL_AFI_OPTION_MODERN_TAGS : 0;
}

} // namespace tl::cli
