#pragma once
/**
 * @file ReportWizard.h
 * The report wizard: album digests, in search mode the filter conditions, the template,
 * the report's name, and the result with the choice to open or re-create it.
 */
#include "platform/ui/AppContext.h"

#include <QDialog>

namespace tl {

struct Settings;

class ReportWizard : public QDialog {
    Q_OBJECT
public:
    explicit ReportWizard(AppContext& context, QWidget* parent = nullptr);
    ~ReportWizard() override;

    /** Sets every text from the locale. */
    void retranslate();
    /** Takes the copies of the settings the wizard keeps. */
    void applySettings(const Settings& settings);

    /** The template path the wizard offers (the settings' report template, or the
     *  language's default); it lasts while the program runs and is saved with the
     *  settings. */
    const std::string& templatePath() const { return m_templatePath; }
    void setTemplatePath(std::string path) { m_templatePath = std::move(path); }

    /** Opens the wizard modally; @p searchMode adds the filter page. */
    int run(bool searchMode);

private:
    AppContext& m_context;
    std::string m_templatePath;
};

} // namespace tl
