// SPDX-License-Identifier: MIT
#include "ui/WindowFaces.h"

#include <QDir>
#include <QFontDatabase>

// The resource sits in a static library: nothing would call its initialiser.
static void InitialiseFacesResource() {
#ifdef CANALARM_WINDOW_FACES
  Q_INIT_RESOURCE(window_faces);
#endif
}

namespace canalarm::ui {

void LoadWindowFaces() {
  static const bool loaded = [] {
    InitialiseFacesResource();
    const QDir faces(QStringLiteral(":/faces"));
    for (const QString& name : faces.entryList({QStringLiteral("*.ttf")}, QDir::Files))
      if (QFontDatabase::addApplicationFont(faces.filePath(name)) < 0)
        qWarning("the face %s could not be loaded", qPrintable(name));
    return true;
  }();
  (void)loaded;
}

}  // namespace canalarm::ui
