// What the tree and the list bases share.

#include "shell/ui/custom_tree_list.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace corvane::shell {

bool IsContextMenuKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return (event.key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

void TPTViewCommon::SetImages(const TSysImageList* images) {
    images_ = images;
    if (images != nullptr) view_.setIconSize(QSize(images->Size(), images->Size()));
    view_.viewport()->update();
}

void TPTViewCommon::ApplyColor(QPalette::ColorRole role, const QColor& color) {
    QPalette palette = view_.palette();
    palette.setColor(role, color.isValid() ? color : QApplication::palette(&view_).color(role));
    view_.setPalette(palette);
}

void TPTViewCommon::SetColor(const QColor& color) {
    color_ = color;
    ApplyColor(QPalette::Base, color);
}

void TPTViewCommon::SetFontColor(const QColor& color) {
    font_color_ = color;
    ApplyColor(QPalette::Text, color);
}

std::uint32_t TPTCustomDrawFrame::Paint(QAbstractItemView& view, ICustomDrawHost& host,
                                        const std::function<void()>& paint) {
    QWidget& viewport = *view.viewport();
    TNMCustomDraw nm;
    nm.rc = viewport.rect();
    nm.font = view.font();
    nm.clrText = view.palette().color(QPalette::Text);
    nm.clrTextBk = view.palette().color(QPalette::Base);
    std::uint32_t prepaint = 0;
    {
        QPainter painter(&viewport);
        nm.painter = &painter;
        nm.dwDrawStage = CDDS_PREPAINT;
        prepaint = host.CustomDrawNotify(nm);
    }
    prepaint_result = prepaint;
    paint();
    if ((prepaint & CDRF_NOTIFYPOSTPAINT) != 0) {
        QPainter painter(&viewport);
        nm.painter = &painter;
        nm.dwDrawStage = CDDS_POSTPAINT;
        host.CustomDrawNotify(nm);
    }
    return prepaint;
}

std::uint32_t TPTCustomDrawFrame::Notify(QObject* owner, const Dispatch& dispatch) {
    draw.reset();
    std::uint32_t result = CDRF_DODEFAULT;
    RunGuarded(owner, true, [&] { draw = dispatch(result); });
    return result;
}

std::unique_ptr<TPTCustomDraw> TPTCustomDrawFrame::FireEvents(std::uint32_t stage, bool hasEx, bool hasPlain,
                                                             const Create& create, const Fire& fire) {
    std::unique_ptr<TPTCustomDraw> made;
    if (hasEx) {
        made = create();
        fire(*made, true);
    }
    if (hasPlain && (stage & CDDS_ITEMPREPAINT) > CDDS_ITEM) {
        if (!made) made = create();
        fire(*made, false);
    }
    if (made) made->Apply();
    return made;
}

void TPTCustomDrawFrame::Decorate(QStyleOptionViewItem& option, const TSysImageList& images, int image,
                                  int overlay, bool cut) {
    if (image < 0) return;
    option.icon = QIcon(images.Pixmap(image, overlay, cut));
    option.decorationSize = QSize(images.Size(), images.Size());
    option.features |= QStyleOptionViewItem::HasDecoration;
}

}  // namespace corvane::shell
