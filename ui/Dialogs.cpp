#include "ui/Dialogs.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Startup.h"
#include "settings/Settings.h"
#include "ui/IconSets.h"
#include "ui/Messages.h"

namespace {

QToolButton* PictureButton(QWidget* parent, const char* icon, const QString& caption) {
  auto* button = new QToolButton(parent);
  button->setIcon(QIcon(ButtonPicture(icon)));
  button->setIconSize(QSize(64, 64));
  button->setText(caption);
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setMinimumSize(120, 110);
  return button;
}

// The banner across the top of the About dialog, drawn rather than shipped.
QPixmap Banner(int width, int height) {
  QPixmap banner(width, height);
  QPainter p(&banner);
  QLinearGradient sky(0, 0, width, height);
  sky.setColorAt(0, QColor(34, 52, 96));
  sky.setColorAt(0.6, QColor(196, 92, 58));
  sky.setColorAt(1, QColor(246, 196, 86));
  p.fillRect(banner.rect(), sky);
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPixmap(
      14, (height - 48) / 2,
      ButtonPicture("Convert").scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  QFont font = p.font();
  font.setPixelSize(22);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(72, 0, width - 80, height), Qt::AlignVCenter | Qt::AlignLeft, Q(ProductTitle));
  return banner;
}

}  // namespace

AddInputChoice RunAddInputChooser(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(Lang("Menu", "Select Input Files"));
  dialog.setFixedSize(270, 160);
  AddInputChoice choice = AddInputChoice::None;
  auto* layout = new QHBoxLayout(&dialog);
  QToolButton* files = PictureButton(&dialog, "InFiles", Lang("Menu", "Select Input File"));
  QToolButton* folder = PictureButton(&dialog, "InFolder", Lang("Menu", "Select Input Folder"));
  layout->addWidget(files);
  layout->addWidget(folder);
  QObject::connect(files, &QToolButton::clicked, &dialog, [&] {
    choice = AddInputChoice::Files;
    dialog.accept();
  });
  QObject::connect(folder, &QToolButton::clicked, &dialog, [&] {
    choice = AddInputChoice::Folder;
    dialog.accept();
  });
  dialog.exec();
  return choice;
}

void RunConverterSearch(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(Lang("Custom-Converter", "Title"));
  auto* grid = new QGridLayout(&dialog);
  auto* from = new QLineEdit(Q(RunState.FindFrom), &dialog);
  auto* to = new QLineEdit(Q(RunState.FindTo), &dialog);
  grid->addWidget(new QLabel(Lang("Custom-Converter", "From"), &dialog), 0, 0);
  grid->addWidget(from, 0, 1);
  grid->addWidget(new QLabel(Lang("Custom-Converter", "To"), &dialog), 1, 0);
  grid->addWidget(to, 1, 1);
  auto* search =
      new QPushButton(MenuIcon("CustomConverter"), Lang("Custom-Converter", "Search"), &dialog);
  search->setDefault(true);
  grid->addWidget(search, 2, 1, Qt::AlignRight);
  QObject::connect(search, &QPushButton::clicked, &dialog, [&] {
    RunState.FindFrom = U(from->text().trimmed());
    RunState.FindTo = U(to->text().trimmed());
    if (RunState.FindFrom.empty() || RunState.FindTo.empty()) {
      ShowWarning(&dialog, Lang("Msg", "Empty extensions"));
      return;
    }
    OpenAddress(&dialog, QUrl(ConverterSearchUrl(Q(RunState.FindFrom), Q(RunState.FindTo))));
    dialog.accept();
  });
  dialog.resize(320, dialog.sizeHint().height());
  dialog.exec();
}

void RunAboutDialog(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle(Lang("About", "Title"));
  dialog.setFixedSize(360, 240);
  auto* layout = new QVBoxLayout(&dialog);
  layout->setContentsMargins(0, 0, 0, 10);
  auto* banner = new QLabel(&dialog);
  banner->setPixmap(Banner(360, 64));
  layout->addWidget(banner);
  auto* text = new QLabel(&dialog);
  text->setTextFormat(Qt::RichText);
  QObject::connect(text, &QLabel::linkActivated, &dialog,
                   [&dialog](const QString& link) { OpenAddress(&dialog, QUrl(link)); });
  text->setAlignment(Qt::AlignCenter);
  text->setWordWrap(true);
  text->setContentsMargins(12, 0, 12, 0);
  text->setText(QString("<b>%1</b><br>%2<br><br>%3 <a href=\"%4\">%4</a><br>%5 "
                        "<a href=\"mailto:%6\">%6</a>")
                    .arg(Q(WindowTitle()).toHtmlEscaped(), Q(MakerCopyright).toHtmlEscaped(),
                         Lang("About", "Website"), Q(MakerHomepage), Lang("About", "Email"),
                         MakerSupportAddress));
  layout->addWidget(text, 1);
  auto* ok = new QPushButton(Lang("Dialog", "OK"), &dialog);
  ok->setDefault(true);
  ok->setFixedWidth(80);
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignCenter);
  dialog.exec();
}

void RunUninstallDialog() {
  QDialog dialog;
  dialog.setWindowTitle(Lang("Uninstall", "Title"));
  dialog.setFixedSize(300, 100);
  auto* layout = new QVBoxLayout(&dialog);
  auto* visit = new QCheckBox(Lang("Uninstall", "Uninstall Text"), &dialog);
  visit->setChecked(true);
  layout->addWidget(visit);
  auto* next = new QPushButton(Lang("Uninstall", "Next"), &dialog);
  next->setDefault(true);
  layout->addWidget(next, 0, Qt::AlignRight);
  QObject::connect(next, &QPushButton::clicked, &dialog, [&] {
    if (visit->isChecked()) QDesktopServices::openUrl(QUrl(UninstallFeedbackUrl()));
    dialog.accept();
  });
  dialog.exec();
}
