#include "shell/gui/FirstRunWizard.h"

#include "shell/gui/DisplayText.h"
#include "shell/gui/HelpFile.h"
#include "shell/gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace tb {
namespace {

constexpr const char* Title = "First time configuration";
constexpr const char* Welcome =
    "Welcome to Tune Bridge!\r\nGet ready to take control of your music!";

// The page's frame: the picture on the left, the welcome text and the
// page's own fields on the right, its buttons below. Returns the column the
// fields go in and the row the buttons go in.
std::pair<QVBoxLayout*, QHBoxLayout*> Frame(QDialog& page) {
    page.setWindowTitle(Title);
    page.setWindowIcon(ProgramIcon());
    auto* outer = new QHBoxLayout(&page);
    auto* picture = new QLabel(&page);
    picture->setPixmap(ProgramIcon().pixmap(96, 96));
    picture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    picture->setFixedWidth(140);
    picture->setContentsMargins(0, 24, 0, 0);
    picture->setAutoFillBackground(true);
    picture->setStyleSheet("background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 #4b44c7, "
                           "stop:1 #1a1740); border-radius: 6px;");
    outer->addWidget(picture);
    auto* column = new QVBoxLayout;
    auto* welcome = new QLabel(QString(Welcome).replace("\r\n", "\n"), &page);
    QFont font = welcome->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    welcome->setFont(font);
    column->addWidget(welcome);
    column->addSpacing(8);
    outer->addLayout(column, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    column->addStretch(1);
    column->addLayout(buttons);
    return {column, buttons};
}

QPushButton* AddButton(QHBoxLayout* row, const QString& caption, QDialog& page) {
    auto* button = new QPushButton(caption, &page);
    row->addWidget(button);
    return button;
}

QLineEdit* AddLabelledField(QVBoxLayout* column, const QString& caption, const String& value,
                            QDialog& page) {
    auto* label = new QLabel(caption, &page);
    auto* field = new QLineEdit(ToDisplay(value), &page);
    label->setBuddy(field);
    column->addWidget(label);
    column->addWidget(field);
    return field;
}

void AddHelp(QHBoxLayout* buttons, QDialog& page, const String& dataDir, const char* topic) {
    auto open = [&page, dataDir, topic] { OpenHelp(&page, dataDir, topic); };
    QObject::connect(AddButton(buttons, "&Help", page), &QPushButton::clicked, &page, open);
    QObject::connect(new QShortcut(QKeySequence::HelpContents, &page), &QShortcut::activated, &page,
                     open);
}

} // namespace

WizardIdentityPage::WizardIdentityPage(const WizardAnswers& answers, const String& dataDir,
                                       QWidget* parent)
    : EditorDialog(parent) {
    auto [column, buttons] = Frame(*this);
    int at = 2;
    auto insert = [&](const QString& caption, const String& value) {
        auto* sub = new QVBoxLayout;
        QLineEdit* field = AddLabelledField(sub, caption, value, *this);
        column->insertLayout(at++, sub);
        return field;
    };
    name_ = insert("Pick a &name for your Tune Bridge", answers.name);
    auto* folderRow = new QHBoxLayout;
    auto* folderLabel =
        new QLabel("&Select the directory where your music files are located", this);
    folder_ = new QLineEdit(ToDisplay(answers.folder), this);
    folderLabel->setBuddy(folder_);
    auto* pick = new QPushButton("...", this);
    pick->setFixedWidth(32);
    connect(pick, &QPushButton::clicked, this, [this] { PickFolder(folder_); });
    folderRow->addWidget(folder_);
    folderRow->addWidget(pick);
    column->insertWidget(at++, folderLabel);
    column->insertLayout(at++, folderRow);
    loginId_ = insert("Enter your login &ID", answers.loginId);
    password_ = insert("Enter your login &password", answers.password);
    password_->setEchoMode(QLineEdit::Password);
    auto* next = AddButton(buttons, "Next >>", *this);
    next->setDefault(true);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
    connect(AddButton(buttons, "Cancel", *this), &QPushButton::clicked, this, &QDialog::reject);
    AddHelp(buttons, *this, dataDir, "InstallAndStart");
    setMinimumWidth(560);
}

QLineEdit* WizardIdentityPage::FirstInvalidField() const {
    for (QLineEdit* field : {name_, folder_, loginId_, password_})
        if (field->text().isEmpty() || (field == folder_ && !QFileInfo(field->text()).isDir()))
            return field;
    return nullptr;
}

void WizardIdentityPage::Store(WizardAnswers& answers) const {
    answers.name = FromDisplay(name_->text());
    answers.folder = FromDisplay(folder_->text());
    answers.loginId = FromDisplay(loginId_->text());
    answers.password = FromDisplay(password_->text());
}

WizardShortcutPage::WizardShortcutPage(const WizardAnswers& answers, const String& dataDir,
                                       QWidget* parent)
    : QDialog(parent) {
    auto [column, buttons] = Frame(*this);
    program_ = new QCheckBox("&Create a shortcut on the desktop to Tune Bridge", this);
    web_ = new QCheckBox("C&reate a shortcut on the desktop to the web interface", this);
    program_->setChecked(answers.programShortcut);
    web_->setChecked(answers.webShortcut);
    auto* note = new QLabel("Don't forget to open up port 42961 in your firewall if you want to "
                            "access Tune Bridge from the Internet!",
                            this);
    note->setWordWrap(true);
    column->insertWidget(2, program_);
    column->insertWidget(3, web_);
    column->insertSpacing(4, 12);
    column->insertWidget(5, note);
    connect(AddButton(buttons, "<< &Back", *this), &QPushButton::clicked, this,
            [this] { done(BackCode); });
    auto* finished = AddButton(buttons, "&Finished", *this);
    finished->setDefault(true);
    connect(finished, &QPushButton::clicked, this, &QDialog::accept);
    connect(AddButton(buttons, "Cancel", *this), &QPushButton::clicked, this, &QDialog::reject);
    AddHelp(buttons, *this, dataDir, nullptr);
    setMinimumWidth(560);
}

void WizardShortcutPage::Store(WizardAnswers& answers) const {
    answers.programShortcut = program_->isChecked();
    answers.webShortcut = web_->isChecked();
}

bool RunWizard(WizardAnswers& answers, const String& dataDir, QWidget* parent) {
    for (;;) {
        WizardIdentityPage identity(answers, dataDir, parent);
        if (identity.exec() != QDialog::Accepted)
            return false;
        identity.Store(answers);
        WizardShortcutPage shortcuts(answers, dataDir, parent);
        shortcuts.adjustSize();
        // Where the first page was, so the wizard does not jump about.
        shortcuts.move(identity.geometry().center() - shortcuts.rect().center());
        int result = shortcuts.exec();
        shortcuts.Store(answers);
        if (result == QDialog::Accepted)
            return true;
        if (result != WizardShortcutPage::BackCode)
            return false;
    }
}

} // namespace tb
