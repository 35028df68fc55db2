#include "classlib/ui/qt/DesktopClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Clipbrd.h"

namespace ordvane {

namespace {

const QString& FormatPrefix() {
  static const QString prefix = QStringLiteral("application/x-ordvane-");
  return prefix;
}

QByteArray Bytes(const RawByteString& data) { return QByteArray(data.data(), static_cast<qsizetype>(data.size())); }

RawByteString Raw(const QByteArray& data) {
  return RawByteString(data.constData(), static_cast<std::size_t>(data.size()));
}

// The text of a CF_UNICODETEXT entry, up to its terminating NUL.
QString TextOf(const RawByteString& utf16) {
  QString text(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size() / 2));
  const qsizetype nul = text.indexOf(QChar(0));
  return nul < 0 ? text : text.left(nul);
}

}  // namespace

QString FormatMimeType(const AnsiString& formatName) {
  return FormatPrefix() + QString::fromUtf8(Bytes(AnsiToUtf8(formatName)));
}

TDesktopClipboard::TDesktopClipboard() {
  QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &fFollower, [this] {
    if (!QGuiApplication::clipboard()->ownsClipboard()) Import();
  });
  Import();
}

void TDesktopClipboard::Publish() {
  if (fImporting) return;
  auto mime = std::make_unique<QMimeData>();
  for (UINT format : ClipboardFormats()) {
    RawByteString data;
    if (format >= kFirstRegisteredFormat && GetClipboardData(format, data))
      mime->setData(FormatMimeType(GetClipboardFormatName(format)), Bytes(data));
  }
  RawByteString text;
  if (GetClipboardData(CF_UNICODETEXT, text)) mime->setText(TextOf(text));
  QGuiApplication::clipboard()->setMimeData(mime.release());
}

// Another program's data: the layer's clipboard takes it, as if put by a program of its
// own, and does not publish it back. Of the registered formats it takes only those this
// program registered: another program may offer any number of names.
void TDesktopClipboard::Import() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime || mime->formats().isEmpty() || !OpenClipboard(0)) return;
  fImporting = true;
  EmptyClipboard();
  for (const QString& type : mime->formats()) {
    if (!type.startsWith(FormatPrefix())) continue;
    const QByteArray name = type.mid(FormatPrefix().size()).toUtf8();
    if (const UINT format = FindClipboardFormat(Utf8ToAnsi(Raw(name))))
      SetClipboardData(format, Raw(mime->data(type)));
  }
  if (mime->hasText()) {
    const QString text = mime->text() + QChar(0);
    SetClipboardData(CF_UNICODETEXT, RawByteString(reinterpret_cast<const char*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size()) * 2));
  }
  CloseClipboard();
  fImporting = false;
}

}  // namespace ordvane
