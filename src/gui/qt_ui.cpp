#include "gui/qt_ui.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>

#include "app/session.h"
#include "gui/text_codec.h"

namespace fw::gui {

namespace {

QString qt(const std::string& s) { return fromCp1252(s); }

QMessageBox::StandardButtons buttonsOf(MsgButtons b) {
  switch (b) {
    case MsgButtons::OKCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::OK:
      break;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(MsgIcon i) {
  switch (i) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

MsgResult resultOf(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    default:
      return MsgResult::OK;
  }
}

}  // namespace

void QtUi::attach(Session& s, QWidget* parent, std::function<void()> refresh) {
  session_ = &s;
  parent_ = parent;
  refresh_ = std::move(refresh);
}

MsgResult QtUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
  if (session_ && session_->BatchMode) {
    session_->errlog.writeLine(text);
    return defaultAnswer(buttons);
  }
  if (refresh_) refresh_();
  QMessageBox box(iconOf(icon), qt(title.empty() ? std::string("Flumewright") : title), qt(text),
                  buttonsOf(buttons), parent_);
  return resultOf(box.exec());
}

std::string QtUi::inputBox(const std::string& prompt, const std::string& title,
                           const std::string& defaultText) {
  if (session_ && session_->BatchMode) return defaultText;
  bool ok = false;
  QString answer = QInputDialog::getText(parent_, qt(title.empty() ? std::string("Flumewright") : title),
                                         qt(prompt), QLineEdit::Normal, qt(defaultText), &ok);
  return ok ? toCp1252(answer) : std::string();
}

void QtUi::doEvents() {
  if (refresh_) refresh_();
  QCoreApplication::processEvents();
}

void QtUi::beep() {
  QApplication::beep();
}

bool QtUi::clipboardText(std::string& text) {
  text.clear();
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr || !data->hasText()) return false;
  text = toCp1252(data->text());
  return true;
}

// A filter entry Qt's dialog matches in any case: each pattern also in lower and upper case.
static QString anyCaseFilter(const std::string& description, const std::string& patterns) {
  QString name = qt(description).trimmed();
  const qsizetype open = name.lastIndexOf(QChar('('));
  if (open > 0 && name.endsWith(QChar(')'))) name = name.left(open).trimmed();
  QStringList all;
  for (const QString& p : qt(patterns).split(QChar(';'), Qt::SkipEmptyParts)) {
    for (const QString& variant : {p.trimmed(), p.trimmed().toLower(), p.trimmed().toUpper()})
      if (!all.contains(variant)) all << variant;
  }
  return name + QStringLiteral(" (") + all.join(QChar(' ')) + QChar(')');
}

std::vector<std::string> QtUi::runFileDialog(const FileDialogRequest& request) {
  if (session_ && session_->BatchMode) return {};
  if (refresh_) refresh_();
  QFileDialog dialog(parent_, qt(request.title), qt(request.initialFolder));
  dialog.setObjectName(QStringLiteral("CommonDialog1"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save       ? QFileDialog::AnyFile
                     : request.multiple ? QFileDialog::ExistingFiles
                                        : QFileDialog::ExistingFile);
  QStringList filters;
  for (const auto& [description, patterns] : request.filters) filters << anyCaseFilter(description, patterns);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.fileName.empty()) dialog.selectFile(qt(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return {};
  std::vector<std::string> chosen;
  for (const QString& f : dialog.selectedFiles()) chosen.push_back(toCp1252(f));
  return chosen;
}

std::optional<std::string> QtUi::fileDialog(const FileDialogRequest& request) {
  std::vector<std::string> chosen = runFileDialog(request);
  if (chosen.empty()) return std::nullopt;
  return chosen.front();
}

std::vector<std::string> QtUi::fileDialogFiles(const FileDialogRequest& request) {
  return runFileDialog(request);
}

void QtUi::modelessBox(const std::string& text, MsgIcon icon, const std::string& title) {
  auto* box = new QMessageBox(iconOf(icon), qt(title.empty() ? std::string("Flumewright") : title), qt(text),
                              QMessageBox::Ok, parent_);
  box->setObjectName(QStringLiteral("modelessBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

void QtUi::setClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(fromCp1252(text)); }

}  // namespace fw::gui
