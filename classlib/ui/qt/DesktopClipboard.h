#pragma once
// The layer's clipboard and the desktop's kept as one: what the program puts goes to the
// desktop (text as UTF-8 text, each registered format under a MIME type of its own), and
// what another program puts on the desktop's clipboard replaces the layer's.

#include <QObject>
#include <QString>

#include "classlib/core/SysUtils.h"

namespace ordvane {

// The MIME type that carries a registered format between programs of this system.
QString FormatMimeType(const AnsiString& formatName);

class TDesktopClipboard {
 public:
  // Follows the desktop's clipboard from now on.
  TDesktopClipboard();
  TDesktopClipboard(const TDesktopClipboard&) = delete;
  TDesktopClipboard& operator=(const TDesktopClipboard&) = delete;

  // The layer's clipboard changed: the desktop's gets the same data.
  void Publish();

 private:
  void Import();

  bool fImporting = false;
  QObject fFollower;  // the desktop's news reach this object only while it lives
};

}  // namespace ordvane
