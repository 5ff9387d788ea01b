// Screenshots of every window of the program, made by the program's own code: the real
// Application and windows on a copy of the application folder, driven through their
// commands as a user would, each window saved as a PNG file in a representative state.
//
//     tl_window_shots APPDIR MUSIC OUTDIR
//
// APPDIR is a writable copy of the application folder (language files, templates, help,
// icons, plug-ins); MUSIC a folder of audio files, catalogued as "Sample" through the scan
// command; OUTDIR receives window-*.png. Choosers are answered from a script; message boxes
// and the windows themselves are real. A window that does not come up modally in its
// command (not built yet) is shown as it is and photographed all the same.
#include "digest/ui/DigestPrompt.h"
#include "locale/ui/OptionsDialog.h"
#include "platform/ui/QtDesktop.h"
#include "platform/ui/WindowText.h"
#include "report/ui/FilterDialog.h"
#include "report/ui/ReportWizard.h"
#include "scan/ui/ScanWindow.h"
#include "shell/AboutBox.h"
#include "shell/Application.h"
#include "shell/MainWindow.h"
#include "storage/Fieldnames.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace {

// The program's desktop with the choosers answered from the sample: the folder to scan,
// the song database to write, the digest to report on, the report to write. Message boxes
// stay real, so they show up (and are dismissed) like any window.
class ScriptedChoosers : public tl::QtDesktop {
public:
    ScriptedChoosers(QString appDir, QString music)
        : QtDesktop(appDir + QStringLiteral("help/")), m_appDir(std::move(appDir)),
          m_music(std::move(music)) {}

    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override {
        return m_music;
    }
    std::optional<QStringList> chooseFilesToOpen(QWidget*,
                                                 const tl::FileChooser& chooser) override {
        const QString digest = m_appDir + QStringLiteral("db/Sample.sdd");
        if (chooser.canClose && !chooser.canClose({digest}))
            return std::nullopt;
        return QStringList{digest};
    }
    std::optional<QString> chooseFileToSave(QWidget*, const tl::FileChooser& chooser) override {
        QString name =
            chooser.proposedName.isEmpty() ? QStringLiteral("Sample") : chooser.proposedName;
        if (chooser.defaultSuffix == QStringLiteral("sds"))
            name = QStringLiteral("Sample");
        const QString file = QDir(chooser.directory).filePath(name);
        if (chooser.canClose && !chooser.canClose({file}))
            return std::nullopt;
        return file;
    }
    bool openWithDesktop(const QString&) override { return true; }
    bool startProgram(const QString&, const QString&) override { return true; }
    void showHelp(const QString&, const QString&) override {}

private:
    QString m_appDir, m_music;
};

// Photographs what comes up modally while a command runs, and moves it on: the scan window
// when its scan has ended, each page of the wizard, each page of the options.
class Photographer : public QObject {
public:
    explicit Photographer(QString outDir) : m_outDir(std::move(outDir)) {
        connect(&m_tick, &QTimer::timeout, this, [this] { look(); });
        m_tick.start(100);
    }

    bool taken(const QString& name) const { return m_taken.contains(name); }

    /** Saves @p window as window-NAME.png. */
    void shoot(QWidget* window, const QString& name) {
        QApplication::processEvents();
        const QString file = m_outDir + QStringLiteral("/window-") + name + QStringLiteral(".png");
        if (window->grab().save(file, "PNG"))
            std::printf("%s\n", qPrintable(file));
        else
            std::fprintf(stderr, "tl_window_shots: %s cannot be written\n", qPrintable(file));
        m_taken.insert(name);
    }

    /** Runs @p command, naming what comes up in it @p name (a window of pages: name-1,
     *  name-2...); when @p window did not come up modally, it is shown as it is,
     *  photographed and hidden again. */
    void during(const std::function<void()>& command, QWidget* window, const QString& name,
                bool paged = false) {
        m_name = name;
        // The same window may come up for two commands (the wizard for a report and for a
        // search): its pages are counted afresh for each.
        m_current = nullptr;
        command();
        const QString first = paged ? name + QStringLiteral("-1") : name;
        if (!taken(first) && window->findChildren<QWidget*>().isEmpty()) {
            std::fprintf(stderr, "tl_window_shots: %s has nothing to show yet\n",
                         qPrintable(window->objectName()));
            return;
        }
        if (!taken(first)) {
            window->show();
            settle(window);
            shoot(window, first);
            window->hide();
        }
    }

    static void settle(QWidget* window) {
        QElapsedTimer shown;
        shown.start();
        // A window that does not come up within ten seconds is photographed as it is.
        while (shown.elapsed() < 400 || (!window->isVisible() && shown.elapsed() < 10000))
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }

private:
    template <typename T> static T* child(QWidget* w, const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    static bool usable(QAbstractButton* b) { return b && b->isVisible() && b->isEnabled(); }

    void look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || m_busy)
            return;
        if (modal != m_current) {
            m_current = modal;
            m_since.start();
            m_page = 0;
        }
        if (m_since.elapsed() < 400) // let it lay itself out and paint
            return;
        m_busy = true;
        const QString form = modal->objectName();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shoot(box, m_name + QStringLiteral("-message"));
            box->accept();
        } else if (form == QStringLiteral("TfrmScan")) {
            scanWindow(modal);
        } else if (form == QStringLiteral("TfrmDigestPrompt")) {
            if (!taken(QStringLiteral("digest-prompt")))
                shoot(modal, QStringLiteral("digest-prompt"));
            if (auto* ok = child<QAbstractButton>(modal, "cmdOk"))
                ok->click();
            else
                static_cast<QDialog*>(modal)->accept();
        } else if (form == QStringLiteral("TfrmReportWizard")) {
            wizard(modal);
        } else if (form == QStringLiteral("TfrmOptions")) {
            options(modal);
        } else {
            shoot(modal, m_name);
            static_cast<QDialog*>(modal)->reject();
        }
        m_busy = false;
    }

    void scanWindow(QWidget* scan) {
        // The scan has ended when Close can be pressed; a scan that takes too long is
        // photographed as it runs.
        auto* close = child<QAbstractButton>(scan, "cmdClose");
        if (!usable(close) && m_since.elapsed() < 120000)
            return;
        shoot(scan, QStringLiteral("scan"));
        if (usable(close))
            close->click();
        else
            static_cast<QDialog*>(scan)->reject();
    }

    void wizard(QWidget* wizard) {
        shoot(wizard, QStringLiteral("%1-%2").arg(m_name).arg(++m_page));
        auto* next = child<QAbstractButton>(wizard, "cmdNext");
        if (usable(next) && m_page < 6) {
            next->click();
            m_since.start();
            return;
        }
        static_cast<QDialog*>(wizard)->reject();
    }

    void options(QWidget* dialog) {
        auto* tree = child<QTreeWidget>(dialog, "treOptions");
        const int pages = tree ? tree->topLevelItemCount() : 0;
        if (m_page < pages) {
            tree->setCurrentItem(tree->topLevelItem(m_page));
            settle(dialog);
        }
        shoot(dialog, QStringLiteral("%1-%2").arg(m_name).arg(m_page + 1));
        if (++m_page < pages)
            return;
        static_cast<QDialog*>(dialog)->reject();
    }

    QString m_outDir;
    QString m_name; ///< of the command running
    QTimer m_tick;
    QSet<QString> m_taken;
    QWidget* m_current = nullptr;
    QElapsedTimer m_since;
    int m_page = 0;
    bool m_busy = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s APPDIR MUSIC OUTDIR\n", argv[0]);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Tunelister"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tunelister"));
    const QString appDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    const QString music = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const QString outDir = QDir(QString::fromLocal8Bit(argv[3])).absolutePath();
    QDir().mkpath(outDir);

    ScriptedChoosers desktop(appDir, music);
    tl::Application application(tl::pathBytes(appDir), desktop);
    const tl::Windows& w = application.windows();
    Photographer camera(outDir);

    QTimer::singleShot(0, [&] {
        application.show();
        Photographer::settle(w.main);
        camera.shoot(w.main, QStringLiteral("main"));

        camera.during([&] { w.main->scanVolume(); }, w.scan, QStringLiteral("scan"));
        if (!camera.taken(QStringLiteral("digest-prompt"))) {
            // The sample's albums were all tagged: ask about one as a digest would.
            tl::Fields album(tl::FieldCount);
            album[tl::Path] = "Blue Lake/Live at the Harbour";
            album[tl::Artist] = "Blue Lake";
            album[tl::Album] = "Live at the Harbour";
            album[tl::Genre] = "Folk";
            album[tl::Year] = "2004";
            w.digestPrompt->setAutoComplete(false);
            camera.during([&] { w.digestPrompt->confirm(album); }, w.digestPrompt,
                          QStringLiteral("digest-prompt"));
        }
        camera.during([&] { w.main->createReport(); }, w.reportWizard,
                      QStringLiteral("report-wizard"), true);
        camera.during([&] { w.main->search(); }, w.reportWizard, QStringLiteral("search-wizard"),
                      true);
        tl::FilterCondition condition;
        condition.field = tl::Year;
        condition.op = tl::FilterOperator::GreaterEqual;
        condition.value = "1990";
        camera.during([&] { w.filter->edit(condition, true); }, w.filter, QStringLiteral("filter"));
        camera.during([&] { w.main->showOptions(); }, w.options, QStringLiteral("options"), true);
        camera.during([&] { w.main->showAbout(); }, w.about, QStringLiteral("about"));
        application.endWithoutSaving();
        QApplication::quit();
    });
    return QApplication::exec();
}
