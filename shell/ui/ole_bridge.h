#pragma once
// Drag and drop between Qt and the shell's drop targets and sources. A registered widget's drag
// events reach its IDropTarget with the key state (mouse buttons and Shift, Ctrl, Alt), the global
// point and the effects; the effect the target answers becomes the event's action. DoDragDrop runs
// a QDrag for a data object and asks the drop source on every key and button whether to go on.

#include <QDrag>
#include <functional>

#include "shell/ns/com.h"

class QWidget;
class QInputEvent;

namespace corvane::shell {

// Key-state bits of buttons and modifiers.
std::uint32_t KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
std::uint32_t EffectsOf(Qt::DropActions actions);
Qt::DropActions ActionsOf(std::uint32_t effects);
// The action of an effect the target chose (the proposed one when several are left).
Qt::DropAction ActionOf(std::uint32_t effect, Qt::DropAction proposed = Qt::IgnoreAction);

// Makes the widget (a scroll area's viewport) take drags for the target, which it holds a reference
// on until revoked. Registering again replaces the target.
HRESULT RegisterDragDrop(QWidget* widget, IDropTarget* target);
HRESULT RevokeDragDrop(QWidget* widget);

// Runs the drag: DRAGDROP_S_DROP with the effect done, or DRAGDROP_S_CANCEL (effect 0).
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, std::uint32_t allowed, std::uint32_t* effect,
                   QWidget* dragSource);

// The drag loop itself (QDrag::exec); tests put their own in. Returns the previous one.
using TDragExec = std::function<Qt::DropAction(QDrag& drag, Qt::DropActions allowed)>;
TDragExec SetDragExec(TDragExec exec);

}  // namespace corvane::shell
