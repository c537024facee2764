#include "ui/Sheet.h"
#include "ui/Text.h"

#include <sys/stat.h>

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QValidator>
#include <cerrno>
#include <map>
#include <set>

#include "core/failure.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/writefile.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"
#include "ui/SheetPdf.h"

namespace valvora::ui {
namespace {

// The sections of the tabs whose file name is not their sheet name less "ts".
struct SectionName {
  const char* sheet;
  const char* section;
};
constexpr SectionName kSections[] = {
    {"tsFiche", "Fiche"},         {"tsAsBias", "Bias"},       {"tsAppairage", "Appairage"},
    {"tsAlimHT", "Alimentation"}, {"tsTonalite", "Tonalite"}, {"tsSecurite", "Securite"},
    {"tsSeries", "Valeurs"},
};

bool isInput(const QWidget* w) {
  if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) return false;
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
    // A list's or a spin box's own edit box is its owner's value.
    const QObject* owner = w->parent();
    return !edit->isReadOnly() && !qobject_cast<const QComboBox*>(owner) &&
           !qobject_cast<const QAbstractSpinBox*>(owner);
  }
  if (auto* text = qobject_cast<const QPlainTextEdit*>(w)) return !text->isReadOnly();
  if (qobject_cast<const QScrollBar*>(w)) return false;
  return qobject_cast<const QComboBox*>(w) || qobject_cast<const QCheckBox*>(w) ||
         qobject_cast<const QRadioButton*>(w) || qobject_cast<const QAbstractSlider*>(w);
}

// A list or a switch, set before the texts.
bool isChoice(const QWidget* w) {
  return !qobject_cast<const QLineEdit*>(w) && !qobject_cast<const QPlainTextEdit*>(w);
}

QString withoutMnemonic(QString text) {
  text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
  return text;
}

using Sections = std::map<QString, std::map<QString, QString>>;

Sections parse(std::string_view content) {
  Sections sections;
  const QString text = fromUtf8(content);
  std::map<QString, QString>* current = nullptr;
  for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      current = &sections[line.mid(1, line.size() - 2).toString()];
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (!current || equals <= 0) continue;
    (*current)[line.left(equals).toString()] = unescapeSheetValue(line.mid(equals + 1).toString());
  }
  return sections;
}

}  // namespace

QString sheetSection(const QString& sheetName) {
  for (const SectionName& s : kSections)
    if (sheetName == QLatin1String(s.sheet)) return QString::fromLatin1(s.section);
  return sheetName.startsWith(QLatin1String("ts")) ? sheetName.mid(2) : sheetName;
}

QString escapeSheetValue(const QString& value) {
  QString out;
  out.reserve(value.size() + 8);
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == QLatin1Char('\\'))
      out += QLatin1String("\\\\");
    else if (c == QLatin1Char('\n'))
      out += QLatin1String("\\n");
    else if (c == QLatin1Char('\r'))
      out += QLatin1String("\\r");
    else if (c == QLatin1Char('\t'))
      out += QLatin1String("\\t");
    else if (c == QLatin1Char('=') || c == QLatin1Char('['))
      out += QLatin1Char('\\') + QString(c);
    else if (c == QLatin1Char(' ') && i == 0)
      out += QLatin1String("\\s");
    else
      out += c;
  }
  return out;
}

QString unescapeSheetValue(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\\') || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const QChar next = text[++i];
    if (next == QLatin1Char('n'))
      out += QLatin1Char('\n');
    else if (next == QLatin1Char('r'))
      out += QLatin1Char('\r');
    else if (next == QLatin1Char('t'))
      out += QLatin1Char('\t');
    else if (next == QLatin1Char('s'))
      out += QLatin1Char(' ');
    else
      out += next;
  }
  return out;
}

QString controlLabel(const QWidget* control) {
  for (const QLabel* label : control->window()->findChildren<QLabel*>())
    if (label->buddy() == control) {
      QString text = withoutMnemonic(label->text()).trimmed();
      if (text.endsWith(QLatin1Char(':'))) text.chop(1);
      return text.trimmed();
    }
  if (auto* button = qobject_cast<const QAbstractButton*>(control))
    if (!button->text().isEmpty()) return withoutMnemonic(button->text());
  if (!control->accessibleName().isEmpty()) return control->accessibleName();
  return control->objectName();
}

QString notASheetMessage(const QString& name) {
  return QStringLiteral("Ce fichier n'est pas une fiche Valvora : %1.").arg(name);
}

std::string readSheetFile(const QString& name) {
  const std::string path = QFile::encodeName(name).toStdString();
  const auto refuse = [&] { throw CalcError(notASheetMessage(name).toStdString()); };
  struct stat info {};
  // Looked at before opening: a FIFO is never waited on, a device never read.
  if (::stat(path.c_str(), &info) == 0 &&
      (!S_ISREG(info.st_mode) || std::size_t(info.st_size) > kSheetFileLimit))
    refuse();
  std::string content;
  try {
    content = platform::readFile(path, kSheetFileLimit);
  } catch (const platform::FileError& e) {
    if (e.errorNumber() == EFBIG) refuse();  // grew since it was looked at
    throw;
  }
  const std::string_view first(kSheetFirstLine);
  if (content.compare(0, first.size(), first) != 0) refuse();
  const std::string_view rest = std::string_view(content).substr(first.size());
  if (!rest.empty() && rest.front() != '\n' && rest.front() != '\r') refuse();
  return content;
}

SheetControls::SheetControls(const PageControl& pages) {
  for (int i = 0; i < pages.count(); ++i) {
    QWidget* page = pages.page(i);
    const QString section = sheetSection(page->objectName());
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (isInput(w)) controls_.push_back({section, w, value(w)});
      auto* result = qobject_cast<QLineEdit*>(w);
      if (result && result->isReadOnly() && !result->objectName().isEmpty())
        results_.push_back({section, result, result->text()});
    }
  }
}

void SheetControls::resetResults() {
  std::set<QString> changedSections;
  for (const Control& c : controls_)
    if (value(c.widget) != c.initial) changedSections.insert(c.section);
  for (const Result& r : results_)
    r.edit->setText(changedSections.count(r.section) ? QString() : r.initial);
}

bool SheetControls::changed(const QWidget* control) const {
  for (const Control& c : controls_)
    if (c.widget == control) return value(control) != c.initial;
  for (const Result& r : results_)
    if (r.edit == control) return r.edit->text() != r.initial;
  return false;
}

std::string SheetControls::text() const {
  QString out = QString::fromLatin1(kSheetFirstLine) + QLatin1Char('\n');
  QString section;
  for (const Control& c : controls_) {
    if (c.section != section) {
      section = c.section;
      out += QLatin1String("\n[") + section + QLatin1String("]\n");
    }
    out += c.widget->objectName() + QLatin1Char('=') + escapeSheetValue(value(c.widget)) +
           QLatin1Char('\n');
  }
  return out.toStdString();
}

void SheetControls::reset() {
  for (bool choices : {true, false})
    for (const Control& c : controls_)
      if (isChoice(c.widget) == choices) setValue(c.widget, c.initial);
}

QStringList SheetControls::load(std::string_view content) {
  reset();
  const Sections sections = parse(content);
  QStringList refused;
  for (bool choices : {true, false})
    for (const Control& c : controls_) {
      if (isChoice(c.widget) != choices) continue;
      const auto section = sections.find(c.section);
      if (section == sections.end()) continue;
      const auto key = section->second.find(c.widget->objectName());
      if (key == section->second.end()) continue;
      if (!setValue(c.widget, key->second)) {
        setValue(c.widget, c.initial);
        refused << controlLabel(c.widget);
      }
    }
  return refused;
}

void SheetControls::watch(QObject* context, const std::function<void()>& changed) const {
  for (const Control& c : controls_) {
    QWidget* w = c.widget;
    if (auto* edit = qobject_cast<QLineEdit*>(w))
      QObject::connect(edit, &QLineEdit::textChanged, context, changed);
    else if (auto* text = qobject_cast<QPlainTextEdit*>(w))
      QObject::connect(text, &QPlainTextEdit::textChanged, context, changed);
    else if (auto* list = qobject_cast<QComboBox*>(w))
      QObject::connect(list, &QComboBox::currentTextChanged, context, changed);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
      QObject::connect(button, &QAbstractButton::toggled, context, changed);
    else if (auto* slider = qobject_cast<QAbstractSlider*>(w))
      QObject::connect(slider, &QAbstractSlider::valueChanged, context, changed);
  }
}

QString SheetControls::value(const QWidget* w) {
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
  if (auto* text = qobject_cast<const QPlainTextEdit*>(w)) return text->toPlainText();
  if (auto* list = qobject_cast<const QComboBox*>(w)) return list->currentText();
  if (auto* button = qobject_cast<const QAbstractButton*>(w))
    return button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  if (auto* slider = qobject_cast<const QAbstractSlider*>(w))
    return QString::number(slider->value());
  return {};
}

bool SheetControls::setValue(QWidget* w, const QString& value) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (value.size() > edit->maxLength()) return false;
    if (const QValidator* check = edit->validator()) {
      QString probe = value;
      int at = 0;
      if (check->validate(probe, at) == QValidator::Invalid) return false;
    }
    edit->setText(value);
    return true;
  }
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
    if (text->toPlainText() != value) text->setPlainText(value);
    return true;
  }
  if (auto* list = qobject_cast<QComboBox*>(w)) {
    const int index = list->findText(value, Qt::MatchExactly);
    if (index >= 0) list->setCurrentIndex(index);
    if (list->isEditable()) {
      list->setEditText(value);
      return true;
    }
    return index >= 0;
  }
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (value != QLatin1String("0") && value != QLatin1String("1")) return false;
    // A radio button is cleared by checking another of its group.
    if (value == QLatin1String("1") || !button->autoExclusive()) button->setChecked(value == "1");
    return true;
  }
  if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
    bool ok = false;
    const int position = value.toInt(&ok);
    if (!ok || position < slider->minimum() || position > slider->maximum()) return false;
    slider->setValue(position);
    return true;
  }
  return false;
}

namespace recentSheets {

namespace {
const QString kKey = QStringLiteral("fiches");
}

QString file() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/valvora/recent.ini");
}

QStringList names() {
  QStringList list = QSettings(file(), QSettings::IniFormat).value(kKey).toStringList();
  // A file edited by hand may hold more.
  while (list.size() > kCount) list.removeLast();
  return list;
}

void add(const QString& name) {
  const QString whole = QFileInfo(name).absoluteFilePath();
  QStringList list = names();
  list.removeAll(whole);
  list.prepend(whole);
  while (list.size() > kCount) list.removeLast();
  // A list that cannot be kept costs the user nothing but the list: no message.
  QSettings(file(), QSettings::IniFormat).setValue(kKey, list);
}

}  // namespace recentSheets

SheetCommands::SheetCommands(QDialog& window, const PageControl& pages)
    : QObject(&window), window_(window), pages_(pages), controls_(pages) {
  controls_.watch(this, [this] {
    if (!loading_) setModified(true);
  });
}

void SheetCommands::open() {
  if (!mayDiscard()) return;
  const QString name = dialogs().openFileName(&window_, QString::fromUtf8(kSheetFilter));
  if (!name.isEmpty()) load(name);
}

bool SheetCommands::openFile(const QString& name) {
  return mayDiscard() && load(name);
}

bool SheetCommands::load(const QString& name) {
  std::string content;
  if (!guarded(&window_, [&] { content = readSheetFile(name); })) return false;
  loading_ = true;
  // Results are not kept: each tab shows them as when the window opens.
  const QStringList refused = controls_.load(content);
  controls_.resetResults();
  loading_ = false;
  fileName_ = name;
  setModified(false);
  recentSheets::add(name);
  if (!refused.isEmpty())
    dialogs().message(&window_, boxCaption(),
                      QStringLiteral("Ces valeurs de la fiche ne conviennent pas et restent celles "
                                     "par défaut :\n") +
                          refused.join(QLatin1Char('\n')));
  return true;
}

bool SheetCommands::save() {
  if (fileName_.isEmpty()) return saveAs();
  return guarded(&window_, [&] { write(fileName_); });
}

QString SheetCommands::askName(const char* filter, const char* suffix) {
  QString name = dialogs().saveFileName(
      &window_, {defaultName(suffix), QString::fromUtf8(filter), QString::fromUtf8(suffix)});
  if (name.isEmpty()) return {};
  if (name != fileName_ && platform::regularFileExists(QFile::encodeName(name).toStdString()) &&
      dialogs().confirmOrCancel(&window_, QStringLiteral("Remplacer le fichier %1").arg(name)) !=
          Dialogs::Answer::kOui)
    return {};
  return name;
}

bool SheetCommands::saveAs() {
  const QString name = askName(kSheetFilter, kSheetSuffix);
  return !name.isEmpty() && guarded(&window_, [&] { write(name); });
}

bool SheetCommands::pdf() {
  const QString name = askName("Document PDF (*.pdf)", "pdf");
  if (name.isEmpty() ||
      !guarded(&window_, [&] { writeSheetPdf(name, pages_, pdfSections(pages_, controls_)); }))
    return false;
  dialogs().openDocument(name);
  return true;
}

bool SheetCommands::mayDiscard() {
  if (!modified_) return true;
  switch (dialogs().confirmOrCancel(
      &window_, QStringLiteral("Enregistrer les modifications de la fiche ?"))) {
    case Dialogs::Answer::kOui:
      return save();
    case Dialogs::Answer::kNon:
      return true;
    case Dialogs::Answer::kAnnuler:
      break;
  }
  return false;
}

void SheetCommands::write(const QString& name) {
  const std::string path = QFile::encodeName(name).toStdString();
  try {
    platform::replaceFile(path, controls_.text());
    // What a save killed between writing its temporary and renaming it left beside the sheet
    // goes now; a temporary of a writer still running is kept.
    platform::removeStaleTemporaries(platform::replacedFile(path));
  } catch (const platform::FileError&) {
    throw CalcError("Impossible d'écrire dans " + platform::fullPath(path));
  }
  fileName_ = name;
  setModified(false);
  recentSheets::add(name);
}

void SheetCommands::setModified(bool modified) {
  modified_ = modified;
  showCaption();
}

void SheetCommands::showCaption() {
  QString caption = QStringLiteral("Atelier");
  if (!fileName_.isEmpty()) {
    caption += QStringLiteral(" — ") + QFileInfo(fileName_).fileName();
    if (modified_) caption += QStringLiteral(" *");
  }
  window_.setWindowTitle(caption);
}

QString SheetCommands::defaultName(const char* suffix) const {
  const auto field = [&](const char* name) {
    const auto* edit = window_.findChild<QLineEdit*>(QString::fromLatin1(name));
    return edit ? edit->text().trimmed() : QString();
  };
  QString base = (field("edFiAmp") + QLatin1Char(' ') + field("edFiDate")).trimmed();
  // Characters a file name on another desktop cannot hold.
  for (const char c : {'/', '\\', ':', '*', '?', '"', '<', '>', '|'})
    base.replace(QLatin1Char(c), QLatin1Char('-'));
  if (base.isEmpty()) base = QStringLiteral("fiche");
  const QString name = base + QLatin1Char('.') + QString::fromLatin1(suffix);
  return fileName_.isEmpty() ? name : QFileInfo(fileName_).dir().filePath(name);
}

}  // namespace valvora::ui
