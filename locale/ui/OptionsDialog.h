#pragma once
/**
 * @file OptionsDialog.h
 * The options: a tree of pages (general, report, sort, digest, search, plug-ins), each
 * control mapped to its setting. OK saves the settings.
 */
#include "platform/ui/AppContext.h"

#include <QDialog>

#include <functional>

namespace tl {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    /** What the dialog asks of the program around it. */
    struct Hooks {
        std::function<bool()> saveSettings;     ///< saves the settings as the program does
        std::function<void()> endWithoutSaving; ///< ends the program, nothing saved
    };

    explicit OptionsDialog(AppContext& context, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    /** Sets every text from the locale. */
    void retranslate();

    /** Shows the options modally; OK writes them into the settings and saves them. */
    int run();

private:
    AppContext& m_context;
    Hooks m_hooks;
};

} // namespace tl
