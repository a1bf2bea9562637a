#include "shell/ui/custom_draw.h"

namespace corvane::shell {

TCustomDrawStage StageOf(std::uint32_t drawStage) {
    switch (drawStage) {
        case CDDS_PREPAINT: return TCustomDrawStage::PrePaint;
        case CDDS_POSTPAINT: return TCustomDrawStage::PostPaint;
        case CDDS_ITEMPREPAINT: return TCustomDrawStage::ItemPrePaint;
        case CDDS_ITEMPOSTPAINT: return TCustomDrawStage::ItemPostPaint;
        default: return TCustomDrawStage::Other;
    }
}

TPTCustomDraw::TPTCustomDraw(const QFont& controlFont, std::uint8_t itemNotifyMode)
    : ItemNotifyMode(itemNotifyMode), control_font_(controlFont) {}

void TPTCustomDraw::Init(TNMCustomDraw* notification, std::uint32_t* result) {
    nm_ = notification;
    result_ = result;
    KeepResult = false;
    font_made_ = brush_made_ = false;
    font_changed_ = brush_changed_ = false;
}

TCustomDrawStage TPTCustomDraw::Stage() const { return StageOf(nm_->dwDrawStage); }

void TPTCustomDraw::CreateFont() {
    font_ = control_font_;
    font_color_ = nm_->clrText;
}

void TPTCustomDraw::CreateBrush() { brush_color_ = nm_->clrTextBk; }

const QFont& TPTCustomDraw::Font() {
    if (!font_made_) {
        CreateFont();
        font_made_ = true;
    }
    return font_;
}

QColor TPTCustomDraw::FontColor() {
    Font();
    return font_color_;
}

void TPTCustomDraw::SetFont(const QFont& font) {
    Font();
    font_ = font;
    font_changed_ = true;
}

void TPTCustomDraw::SetFontColor(const QColor& color) {
    Font();
    font_color_ = color;
    font_changed_ = true;
}

QColor TPTCustomDraw::BrushColor() {
    if (!brush_made_) {
        CreateBrush();
        brush_made_ = true;
    }
    return brush_color_;
}

void TPTCustomDraw::SetBrushColor(const QColor& color) {
    BrushColor();
    brush_color_ = color;
    brush_changed_ = true;
}

void TPTCustomDraw::ApplyItemPrePaint(bool addFlags) {
    if (SkipDefault) {
        if (addFlags) *result_ |= CDRF_SKIPDEFAULT;
        return;
    }
    // Font first, then the colours.
    if (font_changed_ && Font() != nm_->font) {
        nm_->font = font_;
        if (addFlags) *result_ |= CDRF_NEWFONT;
    }
    if (font_made_) nm_->clrText = font_color_;
    if (brush_changed_) nm_->clrTextBk = brush_color_;
}

void TPTTvCustomDraw::Apply() {
    const bool addFlags = !KeepResult;
    if (addFlags) Result() = 0;
    switch (Stage()) {
        case TCustomDrawStage::PrePaint:
            if (addFlags && ItemNotifyMode == 1) Result() |= CDRF_NOTIFYITEMDRAW;
            break;
        case TCustomDrawStage::ItemPrePaint: ApplyItemPrePaint(addFlags); break;
        default: break;
    }
}

void TPTLvCustomDraw::Apply() {
    Result() = 0;
    switch (Stage()) {
        case TCustomDrawStage::PrePaint:
            if (ItemNotifyMode == 1) Result() |= CDRF_NOTIFYITEMDRAW;
            break;
        case TCustomDrawStage::ItemPrePaint: ApplyItemPrePaint(true); break;
        default: break;
    }
}

}  // namespace corvane::shell
