#pragma once
// The pictures of the editor's tool and command buttons, drawn with
// QPainter so that no image files ship with them.
#include <QIcon>
#include <QString>

namespace editor {

// Names: "select", "text", "draw", "paint", "line", "box", "filledbox",
// "circle", "filledcircle", "undo", "paste", "copy", "cut", "clear", "save",
// "left", "up", "down", "right", "fliph", "flipv", "inverse". A null icon
// for any other name.
QIcon editorIcon(const QString& name);

} // namespace editor
