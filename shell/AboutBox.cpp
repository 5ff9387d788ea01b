#include "shell/AboutBox.h"

#include "frontend/ui/LocaleText.h"
#include "platform/Version.h"
#include "platform/ui/Desktop.h"
#include "shell/BuildInfo.h"
#include "shell/Icons.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QUrl>
#include <QVBoxLayout>

namespace tl {
namespace {

// The decorative band at the dialog's left edge, drawn to its height.
class Strip : public QWidget {
public:
    Strip(const QString& file, QWidget* parent) : QWidget(parent), m_svg(file) {
        m_svg.setAspectRatioMode(Qt::KeepAspectRatioByExpanding);
        setFixedWidth(56);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_svg.isValid())
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(rect());
        m_svg.render(&painter, rect());
    }

private:
    QSvgRenderer m_svg;
};

QLabel* label(const char* name, const QString& text, QWidget* parent) {
    return named(new QLabel(text, parent), name);
}

} // namespace

AboutBox::AboutBox(AppContext& context, QWidget* parent, QString homepage)
    : QDialog(parent), m_context(context), m_homepage(std::move(homepage)) {
    setObjectName(QStringLiteral("TfrmAboutBox"));
    const QString iconDir = pathText(m_context.folders.icons());

    auto* strip = new Strip(iconDir + QStringLiteral("about-strip.svg"), this);
    strip->setObjectName(QStringLiteral("imgStrip"));

    auto* icon = label("ProgramIcon", QString(), this);
    icon->setPixmap(programIcon(iconDir).pixmap(QSize(48, 48)));
    icon->setFixedSize(48, 48);
    icon->setAccessibleName(QStringLiteral("Tunelister"));

    auto* product = label("ProductName", QStringLiteral("Tunelister"), this);
    QFont large = product->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.8);
    product->setFont(large);
    m_version = label("lblVer", QStringLiteral("1.0 alpha"), this);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* notice = label("lblFreeware", QString(), this);
    notice->setWordWrap(true);

    m_link = label("Label1", QString(), this);
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_link->setFocusPolicy(Qt::StrongFocus);
    m_link->setCursor(Qt::PointingHandCursor);
    connect(m_link, &QLabel::linkActivated, this, [this] { openLink(); });

    auto* pack = new QGroupBox(this);
    pack->setObjectName(QStringLiteral("grpLanguagePack"));
    auto* language = label("lblLanguage", QStringLiteral("Language:"), pack);
    auto* languageName = label("lblLang", QStringLiteral("English"), pack);
    QFont bold = languageName->font();
    bold.setBold(true);
    languageName->setFont(bold);
    auto* translator = label("lblTranslator", QStringLiteral("Translator:"), pack);
    auto* translatorName = label("lblTranslatorName", QString(), pack);
    translatorName->setWordWrap(true);
    auto* packLayout = new QFormLayout(pack);
    packLayout->addRow(language, languageName);
    packLayout->addRow(translator, translatorName);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* heading = new QHBoxLayout;
    heading->addWidget(icon, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->addWidget(product);
    names->addWidget(m_version);
    heading->addLayout(names, 1);

    auto* content = new QVBoxLayout;
    content->addLayout(heading);
    content->addSpacing(8);
    content->addWidget(notice);
    content->addWidget(m_link);
    content->addSpacing(8);
    content->addWidget(pack);
    content->addStretch(1);
    content->addWidget(buttons);

    auto* whole = new QHBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(strip);
    auto* margins = new QWidget(this);
    margins->setLayout(content);
    whole->addWidget(margins, 1);
    content->setContentsMargins(12, 12, 12, 12);

    setTabOrder(m_link, ok);
    setMinimumWidth(400);
}

AboutBox::~AboutBox() = default;

QString AboutBox::linkTarget() const {
    if (!m_homepage.isEmpty())
        return m_homepage;
    return QUrl::fromLocalFile(pathText(m_context.folders.help()) +
                               QStringLiteral("introduction.html"))
        .toString();
}

void AboutBox::retranslate() {
    const Locale& locale = *m_context.locale;
    setWindowTitle(localeQText(locale, "DialogAbout", "Caption"));
    // The labels in the order the language sets them.
    const struct {
        const char *label, *section, *key;
    } texts[] = {
        {"lblFreeware", "DialogAbout", "Freeware"},     {"lblLanguage", "DialogAbout", "Language"},
        {"lblTranslator", "DialogAbout", "Translator"}, {"lblLang", "General", "Language"},
        {"lblTranslatorName", "General", "Translator"},
    };
    for (const auto& text : texts)
        findChild<QLabel*>(QString::fromLatin1(text.label))
            ->setText(localeQText(locale, text.section, text.key));
    findChild<QGroupBox*>(QStringLiteral("grpLanguagePack"))
        ->setTitle(localeQText(locale, "DialogAbout", "LanguagePack"));

    const QString shown =
        m_homepage.isEmpty() ? localeQText(locale, "DialogAbout", "HelpPages") : m_homepage;
    m_link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                        .arg(linkTarget().toHtmlEscaped(), shown.toHtmlEscaped()));
    m_link->setToolTip(linkTarget());
    nameControlsFromTheirTexts(this);
    // The link's name is its words, not its markup.
    m_link->setAccessibleName(shown);
    m_link->setAccessibleDescription(linkTarget());
}

void AboutBox::showEvent(QShowEvent* event) {
    m_version->setText(QString::fromLatin1(ProgramVersion));
    m_version->setAccessibleName(m_version->text());
    QDialog::showEvent(event);
}

void AboutBox::openLink() {
    if (m_homepage.isEmpty())
        m_context.desktop->showHelp(QStringLiteral("introduction.html"), QString());
    else
        m_context.desktop->openWithDesktop(m_homepage);
}

} // namespace tl
