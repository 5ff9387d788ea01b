#include "plugins/Pluginmanager.h"

#include "plugins/AudioInfo.h"
#include "storage/InputFile.h"
#include "storage/Text.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <vector>

namespace tl {
namespace {

template <typename Fn> Fn lookUp(void* handle, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

} // namespace

PluginManager::PluginManager(std::string directory) : m_directory(std::move(directory)) {
    if (!m_directory.empty() && m_directory.back() != '/')
        m_directory.push_back('/');
}

PluginManager::~PluginManager() {
    unload();
}

bool PluginManager::load() {
    unload();
    DIR* dir = ::opendir(m_directory.c_str());
    if (!dir)
        return false;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > 3 && name.substr(name.size() - 3) == ".so")
            names.emplace_back(name);
    }
    ::closedir(dir);
    if (names.empty())
        return false;
    // Libraries are taken in byte order of their names, which fixes their indexes.
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        if (m_count >= MaxPlugins)
            break;
        const std::string path = m_directory + name;
        // Only regular files: loading a FIFO that carries the name would wait for a writer.
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        auto analyse = lookUp<GetAudioFileInfoFn>(handle, TL_EXPORT_GET_AUDIO_FILE_INFO);
        auto getInfo = lookUp<GetPluginInfoFn>(handle, TL_EXPORT_GET_PLUGIN_INFO);
        PluginInfo info{};
        if (!analyse || !getInfo || getInfo(&info) != 0 || !acceptsVersion(info)) {
            ::dlclose(handle);
            continue;
        }
        Slot& slot = m_slots[m_count++];
        std::memcpy(slot.extension, info.extension, sizeof slot.extension);
        slot.extension[sizeof slot.extension - 1] = 0;
        slot.handle = handle;
        slot.analyse = analyse;
        slot.fileName = name;
    }
    return true;
}

bool PluginManager::unload() {
    for (int i = 0; i < m_count; ++i) {
        if (m_slots[i].handle)
            ::dlclose(m_slots[i].handle);
        m_slots[i] = Slot{};
    }
    m_count = 0;
    return true;
}

int PluginManager::findByExtension(std::string_view extension) const {
    for (int i = 0; i < m_count; ++i)
        if (equalsIgnoringAsciiCase(m_slots[i].extension, extension))
            return i;
    return -1;
}

GetAudioFileInfoFn PluginManager::audioEntry(int index) const {
    return valid(index) ? m_slots[index].analyse : nullptr;
}

AnalyseOutcome PluginManager::analyse(int fd, std::string_view fileName, std::uint64_t fileSize,
                                      int options, AudioFileInfo& info, int& result) const {
    info = AudioFileInfo{};
    result = 0;
    const int index = findByExtension(extensionOf(fileName));
    if (index < 0)
        return AnalyseOutcome::NoPlugin;
    const GetAudioFileInfoFn entry = audioEntry(index);
    if (!entry)
        return AnalyseOutcome::NoAnalyser;
    info.fileSize = fileSize;
    result = entry(fd, &info, options);
    applyReservedByteRule(info);
    return AnalyseOutcome::Analysed;
}

AnalyseOutcome PluginManager::analyseFile(const std::string& path, int options, AudioFileInfo& info,
                                          int& result) const {
    info = AudioFileInfo{};
    result = 0;
    // The plug-in is looked for first: a file no plug-in reads is not opened at all.
    if (findByExtension(extensionOf(path)) < 0)
        return AnalyseOutcome::NoPlugin;
    const InputFile file = InputFile::open(path);
    if (!file)
        return AnalyseOutcome::CannotOpen;
    return analyse(file.fd(), path, file.size(), options, info, result);
}

int PluginManager::getInfo(int index, PluginInfo& info) const {
    if (!valid(index))
        return 0;
    info = PluginInfo{};
    auto fn = lookUp<GetPluginInfoFn>(m_slots[index].handle, TL_EXPORT_GET_PLUGIN_INFO);
    if (!fn)
        return 0;
    const int result = fn(&info);
    // The texts are shown as they are; make sure each ends inside its field.
    info.name[sizeof info.name - 1] = 0;
    info.about[sizeof info.about - 1] = 0;
    info.extension[sizeof info.extension - 1] = 0;
    info.versionText[sizeof info.versionText - 1] = 0;
    return result;
}

bool PluginManager::isConfigurable(int index) const {
    return valid(index) &&
           lookUp<ConfigurePluginFn>(m_slots[index].handle, TL_EXPORT_CONFIGURE_PLUGIN) != nullptr;
}

int PluginManager::configure(int index, PluginConfigRequest& request) const {
    if (!valid(index))
        return -1;
    auto fn = lookUp<ConfigurePluginFn>(m_slots[index].handle, TL_EXPORT_CONFIGURE_PLUGIN);
    return fn ? fn(&request) : -1;
}

const std::string& PluginManager::fileName(int index) const {
    static const std::string none;
    return valid(index) ? m_slots[index].fileName : none;
}

std::string_view PluginManager::extensionOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::size_t slash = fileName.rfind('/');
    if (slash != std::string_view::npos && slash > dot)
        return {};
    return fileName.substr(dot + 1);
}

bool PluginManager::acceptsVersion(const PluginInfo& info) {
    return info.compatibility <= TL_HOST_INTERFACE_VERSION && info.version >= 1;
}

} // namespace tl
