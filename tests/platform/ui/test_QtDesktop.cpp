// The program's own choosers, driven as a user drives them: a name typed and Enter, an
// entry of the list chosen and the dialog's button pressed. What the refusal rules see,
// which messages come up, which folder the chooser shows and what it returns.
#include "platform/ui/QtDesktop.h"

#include "frontend/ui/LocaleText.h"
#include "support/ScriptedDesktop.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

Locale defaultLanguage() {
    Locale locale;
    locale.setFallbackPath(std::string(std::getenv("TL_APP_DIR")) + "/default.lcl");
    return locale;
}

// The program's desktop speaking the default language, with its message boxes recorded
// instead of shown.
class RecordingDesktop : public QtDesktop {
public:
    RecordingDesktop() : QtDesktop(QString()) {
        setFolderMissingText([this](const QString& folder) {
            return localeQText(m_locale, "General", "FolderMissing", {pathBytes(folder)});
        });
    }
    void showMessage(QWidget*, MessageIcon icon, const QString& text) override {
        shown.push_back({icon, text, false});
    }
    std::vector<ScriptedDesktop::Shown> shown;

private:
    Locale m_locale = defaultLanguage();
};

// What the user does in the open chooser.
struct Step {
    enum Kind { Type, Pick } kind;
    QString text; ///< typed into the name field and Enter; or the entry chosen in the list
};

// What a step left: whether the chooser is still open, and the folder it shows.
struct After {
    bool open;
    QString folder;
    friend bool operator==(const After&, const After&) = default;
};
void PrintTo(const After& after, std::ostream* out) {
    *out << (after.open ? "open in " : "closed in ") << after.folder.toStdString();
}

void perform(QFileDialog& dialog, const Step& step) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(name);
    if (step.kind == Step::Type) {
        name->setFocus();
        name->setText(step.text);
        QTest::keyClick(name, Qt::Key_Return);
        return;
    }
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(list && model && buttons);
    const QModelIndex entry = model->index(dialog.directory().filePath(step.text));
    ASSERT_TRUE(entry.isValid()) << step.text.toStdString();
    list->setFocus();
    list->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    buttons->buttons().constFirst()->click(); // Open or Save
}

// Runs @p steps in the chooser that @p show opens, one by one once it is the active modal
// window, and cancels it when it is still open after the last. A box that Qt itself puts
// up meanwhile is closed and its text kept in @p boxes.
std::vector<After> drive(const std::vector<Step>& steps, const std::function<void()>& show,
                         QStringList* boxes = nullptr) {
    std::deque<Step> left(steps.begin(), steps.end());
    std::vector<After> after;
    bool shown = true;
    std::function<void()> next = [&] {
        if (!shown)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (boxes)
                *boxes += box->text();
            box->reject();
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            QTimer::singleShot(10, next);
            return;
        }
        if (left.empty()) {
            dialog->reject();
            return;
        }
        // The next look is due before the step: a box the step brings up runs its own
        // loop, which must find it.
        QTimer::singleShot(10, next);
        const Step step = left.front();
        left.pop_front();
        perform(*dialog, step);
        after.push_back({dialog->isVisible(), dialog->directory().absolutePath()});
    };
    QTimer::singleShot(0, next);
    show();
    shown = false;
    return after;
}

} // namespace

// A chooser with a refusal rule (only song databases) enters a folder typed or chosen in
// it, as any chooser does; only the names of files meet the rule.
TEST(QtDesktopChooser, AFolderIsEnteredAndOnlyFileNamesMeetTheRefusalRule) {
    TempDir dir;
    const QString top = QString::fromStdString(fs::canonical(dir.path()).string());
    const QString sub = top + QStringLiteral("/Old CDs");
    fs::create_directories(sub.toStdString());
    writeFile(sub.toStdString() + "/CD1.sds", "");
    writeFile(top.toStdString() + "/notes.txt", "");

    struct Case {
        const char* what;
        bool save;
        std::vector<Step> steps;
        std::vector<After> after;
        QStringList offered; // what the rule was asked about
        int refusals;        // the rule's messages
        std::optional<QString> chosen;
    };
    const QString refusal = QStringLiteral("Only song databases (.sds) can be chosen.");
    const std::vector<Case> cases{
        {"folder typed with its whole path, then a file typed",
         false,
         {{Step::Type, sub}, {Step::Type, QStringLiteral("CD1.sds")}},
         {{true, sub}, {false, sub}},
         {sub + QStringLiteral("/CD1.sds")},
         0,
         sub + QStringLiteral("/CD1.sds")},
        {"folder typed by its name",
         false,
         {{Step::Type, QStringLiteral("Old CDs")}},
         {{true, sub}},
         {},
         0,
         std::nullopt},
        {"folder chosen in the list and Open pressed",
         false,
         {{Step::Pick, QStringLiteral("Old CDs")}, {Step::Pick, QStringLiteral("CD1.sds")}},
         {{true, sub}, {false, sub}},
         {sub + QStringLiteral("/CD1.sds")},
         0,
         sub + QStringLiteral("/CD1.sds")},
        {"another file is still refused and the chooser stays",
         false,
         {{Step::Type, QStringLiteral("notes.txt")}},
         {{true, top}},
         {top + QStringLiteral("/notes.txt")},
         1,
         std::nullopt},
        {"a save chooser enters a folder typed in it",
         true,
         {{Step::Type, sub}, {Step::Type, QStringLiteral("Music")}},
         {{true, sub}, {false, sub}},
         {sub + QStringLiteral("/Music.sds")},
         0,
         sub + QStringLiteral("/Music.sds")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingDesktop desktop;
        FileChooser chooser;
        chooser.directory = top;
        chooser.filters = {QStringLiteral("Everything (*)")};
        chooser.defaultSuffix = QStringLiteral("sds");
        QStringList offered;
        chooser.canClose = [&](const QStringList& chosen) {
            offered += chosen;
            for (const QString& name : chosen) {
                if (!name.endsWith(QStringLiteral(".sds"))) {
                    desktop.showMessage(nullptr, MessageIcon::Warning, refusal);
                    return false;
                }
            }
            return true;
        };
        std::optional<QString> chosen;
        QStringList qtBoxes;
        const std::vector<After> after = drive(
            c.steps,
            [&] {
                if (c.save) {
                    chosen = desktop.chooseFileToSave(nullptr, chooser);
                } else if (const auto files = desktop.chooseFilesToOpen(nullptr, chooser)) {
                    chosen = files->value(0);
                }
            },
            &qtBoxes);
        EXPECT_EQ(after, c.after);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(desktop.shown.size(), static_cast<std::size_t>(c.refusals));
        EXPECT_EQ(chosen, c.chosen);
        EXPECT_EQ(qtBoxes, QStringList());
    }
}

// A save chooser refuses a name in a folder that does not exist, saying which folder, and
// stays open; the window's own rule is not asked about it.
TEST(QtDesktopChooser, ASaveChooserRefusesANameInAFolderThatDoesNotExist) {
    TempDir dir;
    const QString top = QString::fromStdString(fs::canonical(dir.path()).string());
    const QString missing = top + QStringLiteral("/no such folder");
    const struct {
        const char* typed;
        QString folder; // of the refusal, or "" when the name is taken
    } cases[] = {
        {"no such folder/Music", missing},
        {"no such folder/deeper/Music.sds", missing + QStringLiteral("/deeper")},
        {"Music", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        RecordingDesktop desktop;
        FileChooser chooser;
        chooser.directory = top;
        chooser.defaultSuffix = QStringLiteral("sds");
        QStringList offered;
        chooser.canClose = [&](const QStringList& chosen) {
            offered += chosen;
            return true;
        };
        std::optional<QString> chosen;
        const std::vector<After> after = drive({{Step::Type, QString::fromUtf8(c.typed)}}, [&] {
            chosen = desktop.chooseFileToSave(nullptr, chooser);
        });
        const bool refused = !c.folder.isEmpty();
        EXPECT_EQ(after, (std::vector<After>{{refused, top}}));
        if (refused) {
            ASSERT_EQ(desktop.shown.size(), 1u);
            EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Warning);
            EXPECT_EQ(desktop.shown[0].text, localeQText(defaultLanguage(), "General",
                                                         "FolderMissing", {pathBytes(c.folder)}));
            EXPECT_TRUE(offered.isEmpty());
            EXPECT_EQ(chosen, std::nullopt);
        } else {
            EXPECT_TRUE(desktop.shown.empty());
            EXPECT_EQ(chosen, std::optional<QString>(top + QStringLiteral("/Music.sds")));
        }
    }
}
