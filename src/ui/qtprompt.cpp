#include "ui/qtprompt.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "ui/prompts.h"
#include "ui/qtext.h"
#include "ui/window.h"

namespace velt {

int QtPrompt::showMessage(int kind, const std::string& text, const std::string& caption) {
    QMessageBox::Icon icon = QMessageBox::Question;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    switch (kind) {
        case 1:
            icon = QMessageBox::Information;
            break;
        case 2:
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case 3:
            buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            defaultButton = QMessageBox::Yes;
            break;
        case 4:
            buttons = QMessageBox::Yes | QMessageBox::No;
            defaultButton = QMessageBox::Yes;
            break;
        case 5:
            buttons = QMessageBox::Yes | QMessageBox::No;
            defaultButton = QMessageBox::No;
            break;
        case 6:
            icon = QMessageBox::Critical;
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        default:
            return 0;
    }
    QString body = qs(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon, qs(caption), body, buttons, activeOwner());
    box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return button::kOk;
        case QMessageBox::Yes:
            return button::kYes;
        case QMessageBox::No:
            return button::kNo;
        default:
            return button::kCancel;
    }
}

void QtPrompt::beep(int, int) {
    QApplication::beep();
}

void QtPrompt::openWaitBox(const WaitBoxSpec& spec) {
    if (wait_) wait_->End();
    wait_ = TMsgBox::New(spec);
}

void QtPrompt::setWaitText(const std::string& text) {
    if (wait_) wait_->SetMsg(text);
}

void QtPrompt::setWaitProgress(int position) {
    if (wait_) wait_->SetPos(position);
}

void QtPrompt::setWaitPage(int page) {
    if (wait_) wait_->SetPage(page);
}

void QtPrompt::closeWaitBox() {
    if (!wait_) return;
    wait_->End();
    wait_.reset();
}

void QtPrompt::processEvents() {
    QApplication::processEvents();
}

QStringList qtFilters(const std::string& filter) {
    QStringList parts = qs(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(';', ' ');
        if (description.contains('(') && description.contains(patterns.section(' ', 0, 0)))
            out << description;
        else
            out << description + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return out;
}

std::optional<std::string> QtPrompt::chooseFile(const FileRequest& request) {
    QFileDialog dlg(activeOwner(), qs(request.title));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setOption(QFileDialog::ReadOnly, false);
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters = qtFilters(request.filter);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
        dlg.selectNameFilter(filters[index - 1]);
    }
    if (!request.defaultName.empty()) {
        QFileInfo proposed(qs(request.defaultName));
        if (proposed.isDir()) {
            dlg.setDirectory(proposed.absoluteFilePath());
        } else {
            if (proposed.dir().exists()) dlg.setDirectory(proposed.dir());
            dlg.selectFile(proposed.fileName());
        }
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    request.chosenFilter = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    return fromQ(dlg.selectedFiles().first());
}

std::optional<std::string> QtPrompt::inputLine(const std::string& caption,
                                               const std::string& promptText,
                                               const std::string& value, const std::string& mask) {
    return runMsgGet(caption, promptText, value, mask);
}

bool loadItalianTranslations() {
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    QStringList folders = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                           QStringLiteral("/usr/share/qt6/translations")};
    for (const QString& folder : folders) {
        if (t->load(QStringLiteral("qtbase_it"), folder)) {
            QCoreApplication::installTranslator(t);
            translator = t;
            QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
            return true;
        }
    }
    delete t;
    return false;
}

QtPrompt& installQtPrompt() {
    static QtPrompt seam;
    setPrompt(&seam);
    return seam;
}

}  // namespace velt
