// The controls the forms are made of.
#pragma once
#include "toolkit/Bitmap.h"
#include "toolkit/Control.h"

#include <string>
#include <vector>

namespace tk {

class Panel : public Control {
public:
    explicit Panel(Component* owner, std::string className = "TPanel");
    void ApplyDef(const ControlDef& def) override;
    Bevel BevelInner() const { return bevelInner_; }
    Bevel BevelOuter() const { return bevelOuter_; }

protected:
    CreateParams GetCreateParams() const override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Bevel bevelInner_ = Bevel::None;
    Bevel bevelOuter_ = Bevel::Raised;
};

class Label : public Control {
public:
    explicit Label(Component* owner);
    void ApplyDef(const ControlDef& def) override;
    TextAlign Alignment() const { return alignment_; }
    bool WordWrap() const { return wordWrap_; }
    bool CenterVertically() const { return centerVertically_; }

protected:
    CreateParams GetCreateParams() const override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    TextAlign alignment_ = TextAlign::Left;
    bool wordWrap_ = false;
    bool centerVertically_ = false;
};

class Button : public Control {
public:
    explicit Button(Component* owner);

protected:
    CreateParams GetCreateParams() const override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// A push button that draws a glyph: pixels of the glyph's lower-left colour
// are left out, so the face shows through.
class BitBtn : public Control {
public:
    explicit BitBtn(Component* owner, std::string className = "TBitBtn");
    const Bitmap& Glyph() const { return glyph_; }
    // Copies the bitmap; the caller keeps its own.
    void SetGlyph(const Bitmap& glyph);
    // Loads the glyph from a BMP file (raises EFileError).
    void LoadGlyph(const std::string& path);
    void SaveGlyph(const std::string& path) const;

protected:
    CreateParams GetCreateParams() const override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(const DRAWITEMSTRUCT& item);
    Bitmap glyph_;
};

class TabSheet;

class PageControl : public Control {
public:
    explicit PageControl(Component* owner);
    ~PageControl() override;
    int PageCount() const { return static_cast<int>(sheets_.size()); }
    TabSheet* Page(int index) const { return sheets_.at(static_cast<std::size_t>(index)); }
    TabSheet* ActivePage() const;
    // Selects a sheet without running OnChange (as setting it from code does).
    void SetActivePage(TabSheet* sheet);
    // The next (or previous) page, round the tabs, as a click on its tab:
    // OnChange runs.
    void SelectNextPage(bool forward);
    // The tab's screen rectangle, for clicking it.
    RECT TabRect(int index) const;

    NotifyEvent OnChange;

    void AddSheet(TabSheet* sheet);
    void RemoveSheet(TabSheet* sheet);

protected:
    CreateParams GetCreateParams() const override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The tabs' height follows the new font.
    void DpiChanged() override;

private:
    void ShowActive();
    void PlaceSheet(TabSheet* sheet);
    std::vector<TabSheet*> sheets_;
};

class TabSheet : public Control {
public:
    explicit TabSheet(Component* owner);
    ~TabSheet() override;
    PageControl* Pages() const { return pageControl_; }

protected:
    CreateParams GetCreateParams() const override;
    void Created() override;

private:
    friend class PageControl;
    PageControl* pageControl_ = nullptr;
};

// A frame with a caption and mutually exclusive items in columns. Setting a
// different item index runs OnClick, as a click does; the same index does not.
class RadioGroup : public Control {
public:
    explicit RadioGroup(Component* owner);
    void ApplyDef(const ControlDef& def) override;
    const std::vector<std::string>& Items() const { return items_; }
    // Items from one text, separated by line feeds.
    void SetItems(const std::string& text);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    HWND ItemHandle(int index) const { return buttons_.at(static_cast<std::size_t>(index)).Get(); }

protected:
    CreateParams GetCreateParams() const override;
    void Created() override;
    void DpiChanged() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RebuildButtons();
    void UpdateChecks();
    std::vector<std::string> items_;
    std::vector<WindowHandle> buttons_;
    int columns_ = 1;
    int itemIndex_ = -1;
};

class MaskEdit : public Control {
public:
    explicit MaskEdit(Component* owner);
    void ApplyDef(const ControlDef& def) override;
    std::string Text() const;
    void SetText(const std::string& text);
    char PasswordChar() const { return passwordChar_; }
    void SetFocus();

protected:
    CreateParams GetCreateParams() const override;
    void Created() override;
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    char passwordChar_ = 0;
};

} // namespace tk
