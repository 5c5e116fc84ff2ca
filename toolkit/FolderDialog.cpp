#include "toolkit/FolderDialog.h"

#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Exception.h"
#include "toolkit/FolderPaths.h"
#include "toolkit/Handles.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <winnetwk.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace tk {
namespace {

using namespace folder_dialog;
using namespace folder_paths;

// Predefined window classes of dialog templates.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
constexpr WORD kListBox = 0x0083;
constexpr WORD kComboBox = 0x0085;

struct ItemSpec {
    int id;
    WORD windowClass;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
    const char* text;
};

constexpr WORD kFontPoints = 9; // 12 pixels at 96 dpi
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kListStyle =
    kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

// In tab order: each label comes right before its control, so its mnemonic reaches it.
const ItemSpec kItems[] = {
    {kNameLabel, kStatic, kChild | SS_LEFT, 0, 7, 7, 200, 9, "ﾃﾞｨﾚｸﾄﾘ名(&N):"},
    {kNameEdit, kEdit, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 17, 276, 12, ""},
    {kTreeLabel, kStatic, kChild | SS_LEFT, 0, 7, 35, 134, 9, "ﾃﾞｨﾚｸﾄﾘ(&D):"},
    {kTree, kListBox, kListStyle | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, WS_EX_CLIENTEDGE, 7, 45, 134, 104, ""},
    {kFilesLabel, kStatic, kChild | SS_LEFT, 0, 149, 35, 134, 9, "ﾌｧｲﾙ(&F): (*.*)"},
    {kFiles, kListBox, kListStyle | LBS_SORT, WS_EX_CLIENTEDGE, 149, 45, 134, 104, ""},
    {kDrivesLabel, kStatic, kChild | SS_LEFT, 0, 7, 153, 134, 9, "ﾄﾞﾗｲﾌﾞ(&R):"},
    {kDrives, kComboBox, kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 7, 163, 134, 120, ""},
    {kNetwork, kButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 149, 162, 54, 14, "ﾈｯﾄﾜｰｸ(&N)..."},
    {IDOK, kButton, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 207, 162, 37, 14, "OK"},
    {IDCANCEL, kButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 246, 162, 37, 14, "ｷｬﾝｾﾙ"},
};

// An in-memory DLGTEMPLATE: header, font, then the items, each DWORD-aligned.
std::vector<WORD> BuildTemplate() {
    std::vector<WORD> t;
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&](const char* utf8) {
        for (wchar_t c : Wide(utf8)) t.push_back(static_cast<WORD>(c));
        t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER | DS_3DLOOK);
    dword(0);
    t.push_back(static_cast<WORD>(std::size(kItems)));
    for (short v : {short{0}, short{0}, short{290}, short{183}}) t.push_back(static_cast<WORD>(v));
    t.push_back(0); // no menu
    t.push_back(0); // standard dialog class
    text("ﾃﾞｨﾚｸﾄﾘの選択");
    t.push_back(kFontPoints);
    text("ＭＳ Ｐゴシック");
    for (const ItemSpec& item : kItems) {
        if (t.size() % 2) t.push_back(0);
        dword(item.style);
        dword(item.exStyle);
        for (short v : {item.x, item.y, item.cx, item.cy}) t.push_back(static_cast<WORD>(v));
        t.push_back(static_cast<WORD>(item.id));
        t.push_back(0xFFFF);
        t.push_back(item.windowClass);
        text(item.text);
        t.push_back(0); // no creation data
    }
    return t;
}

class FolderChooser {
public:
    FolderChooser(std::string start, bool allowCreate) : start_(std::move(start)), allowCreate_(allowCreate) {}

    bool Run(HWND owner) {
        const std::vector<WORD> dialog = BuildTemplate();
        const INT_PTR result =
            DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()),
                                    owner, &FolderChooser::Proc, reinterpret_cast<LPARAM>(this));
        // A chooser ended by the program's own end is not a failure to show it.
        if (result == -1 && !Application::Instance().Terminated())
            throw Exception("ﾃﾞｨﾚｸﾄﾘの選択ダイアログを表示できません。");
        return result == IDOK;
    }
    const std::string& Result() const { return result_; }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            auto* self = reinterpret_cast<FolderChooser*>(lParam);
            self->dialog_ = dialog;
            self->Init();
            return TRUE;
        }
        // Item heights are asked for while the controls are created, before WM_INITDIALOG.
        if (message == WM_MEASUREITEM) return MeasureItem(dialog, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        auto* self = reinterpret_cast<FolderChooser*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        switch (message) {
        case WM_COMMAND: return self->Command(LOWORD(wParam), HIWORD(wParam));
        case WM_DRAWITEM: return self->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_DPICHANGED:
            // The dialog manager scales the window, its controls and its
            // font; the owner-drawn rows keep the height they were given.
            SendMessageW(self->Item(kTree), LB_SETITEMHEIGHT, 0, RowHeight(dialog, HIWORD(wParam)));
            return FALSE;
        default: return FALSE;
        }
    }

    static INT_PTR MeasureItem(HWND dialog, MEASUREITEMSTRUCT& item) {
        if (item.CtlID != static_cast<UINT>(kTree)) return FALSE;
        item.itemHeight = static_cast<UINT>(RowHeight(dialog, WindowDpi(dialog)));
        return TRUE;
    }

    // A tree row is a line of the dialog's font at `dpi` and a little air.
    // The font is made at that DPI from the template's point size, since on
    // a change of DPI the dialog manager replaces its own only afterwards.
    static int RowHeight(HWND dialog, int dpi) {
        LOGFONTW face{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof face, &face);
        face.lfHeight = -MulDiv(kFontPoints, dpi, 72);
        FontHandle font(CreateFontIndirectW(&face));
        WindowDc dc(dialog);
        SelectGuard selected(dc.Get(), font.Get());
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.Get(), &metrics);
        return metrics.tmHeight + Scale(2, dpi);
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    void Init() {
        FillDrives();
        Enter(DirectoryExists(start_) ? start_ : CurrentDirectory());
    }

    INT_PTR Command(int id, int code) {
        switch (id) {
        case IDOK: Accept(); return TRUE;
        case IDCANCEL: EndDialog(dialog_, IDCANCEL); return TRUE;
        case kTree:
            if (code == LBN_SELCHANGE) ShowFiles(SelectedTreePath());
            else if (code == LBN_DBLCLK) EnterSelected();
            return TRUE;
        case kDrives:
            if (code == CBN_SELCHANGE) DriveChosen();
            return TRUE;
        case kNetwork:
            if (code == BN_CLICKED) {
                WNetConnectionDialog(dialog_, RESOURCETYPE_DISK);
                FillDrives();
                SelectDriveOf(current_);
            }
            return TRUE;
        default: return FALSE;
        }
    }

    // Shows `folder` (full path) as the current folder.
    void Enter(const std::string& folder) {
        current_ = WithoutTrailingSeparator(FullPath(folder));
        SetDlgItemTextW(dialog_, kNameEdit, Wide(current_).c_str());

        const HWND tree = Item(kTree);
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        SendMessageW(tree, LB_RESETCONTENT, 0, 0);
        treePaths_.clear();
        auto add = [&](const std::string& label, const std::string& path, int depth) {
            const LRESULT index =
                SendMessageW(tree, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(label).c_str()));
            SendMessageW(tree, LB_SETITEMDATA, static_cast<WPARAM>(index), depth);
            treePaths_.push_back(path);
        };
        const std::string root = RootOf(current_);
        int depth = 0;
        if (root.empty()) {
            add(current_, current_, depth++);
        } else {
            std::string path = root;
            add(root, root, depth++);
            for (const std::string& part : PartsAfterRoot(current_, root)) {
                path = Join(path, part);
                add(part, path, depth++);
            }
        }
        currentIndex_ = static_cast<int>(treePaths_.size()) - 1;
        for (const std::string& name : ListFolder(current_).folders) add(name, Join(current_, name), depth);
        SendMessageW(tree, LB_SETCURSEL, static_cast<WPARAM>(currentIndex_), 0);
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);

        ShowFiles(current_);
        SelectDriveOf(current_);
    }

    std::string SelectedTreePath() const {
        const LRESULT index = SendMessageW(Item(kTree), LB_GETCURSEL, 0, 0);
        return index >= 0 && static_cast<std::size_t>(index) < treePaths_.size() ? treePaths_[index] : current_;
    }

    void EnterSelected() {
        const std::string target = SelectedTreePath();
        if (DirectoryExists(target)) {
            Enter(target);
        } else { // removed since it was listed
            MessageBeep(MB_OK);
            Enter(DirectoryExists(current_) ? current_ : RootOf(current_));
        }
    }

    void ShowFiles(const std::string& folder) {
        const HWND files = Item(kFiles);
        SendMessageW(files, WM_SETREDRAW, FALSE, 0);
        SendMessageW(files, LB_RESETCONTENT, 0, 0);
        for (const std::string& name : ListFolder(folder).files)
            SendMessageW(files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
        SendMessageW(files, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(files, nullptr, TRUE);
    }

    void FillDrives() {
        const HWND drives = Item(kDrives);
        SendMessageW(drives, CB_RESETCONTENT, 0, 0);
        std::vector<wchar_t> buffer(GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
        GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
        for (const wchar_t* root = buffer.data(); *root; root += std::char_traits<wchar_t>::length(root) + 1) {
            const std::wstring drive(root, 2); // "C:"
            SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
        }
    }

    void SelectDriveOf(const std::string& path) {
        const std::string root = RootOf(path);
        const std::wstring drive = Wide(root.substr(0, 2));
        const LRESULT index = root.size() == 3 ? SendMessageW(Item(kDrives), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                              reinterpret_cast<LPARAM>(drive.c_str()))
                                               : CB_ERR;
        SendMessageW(Item(kDrives), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }

    void DriveChosen() {
        const std::string root = WindowText(Item(kDrives)) + "\\";
        if (root.size() == 3 && DriveReady(root)) {
            Enter(root);
        } else {
            MessageBeep(MB_ICONEXCLAMATION);
            SelectDriveOf(current_);
        }
    }

    // The name field, read relative to the current folder, as typed; nothing
    // when it is no valid Unicode text.
    std::optional<std::string> TypedFolder() const {
        const std::wstring typed = Wide(WindowText(Item(kNameEdit)));
        if (typed.empty()) return current_;
        std::wstring full;
        if (typed.size() >= 2 && typed[1] == L':') full = typed;
        else if (typed.rfind(L"\\\\", 0) == 0) full = typed;
        else if (typed[0] == L'\\') full = Wide(RootOf(current_)) + typed.substr(1);
        else full = Wide(Join(current_, "")) + typed;
        std::optional<std::string> folder = ExactUtf8(FullPath(full));
        if (folder) *folder = WithoutTrailingSeparator(*folder);
        return folder;
    }

    void Accept() {
        // Enter in the tree opens the selected folder rather than closing.
        const HWND tree = Item(kTree);
        if (GetFocus() == tree && SendMessageW(tree, LB_GETCURSEL, 0, 0) != currentIndex_) {
            EnterSelected();
            return;
        }
        const std::optional<std::string> typed = TypedFolder();
        if (!typed) {
            MessageBoxUtf8(dialog_, "ﾃﾞｨﾚｸﾄﾘ名に扱えない文字が含まれています。", "エラー", MB_OK | MB_ICONERROR);
            FocusName();
            return;
        }
        const std::string& folder = *typed;
        if (!DirectoryExists(folder)) {
            if (!allowCreate_) {
                MessageBeep(MB_ICONEXCLAMATION);
                FocusName();
                return;
            }
            if (MessageBoxUtf8(dialog_, "指定されたﾃﾞｨﾚｸﾄﾘが存在しません。作成しますか？", "確認",
                               MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
            if (!ForceDirectories(folder)) {
                const std::string message = "ﾃﾞｨﾚｸﾄﾘ \"" + folder + "\" を作成できません。";
                MessageBoxUtf8(dialog_, message, "エラー", MB_OK | MB_ICONERROR);
                FocusName();
                return;
            }
        }
        result_ = folder;
        EndDialog(dialog_, IDOK);
    }

    void FocusName() {
        SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(kNameEdit)), TRUE);
    }

    INT_PTR DrawItem(const DRAWITEMSTRUCT& item) {
        if (item.CtlID != static_cast<UINT>(kTree)) return FALSE;
        if (item.itemID == static_cast<UINT>(-1)) {
            if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
            return TRUE;
        }
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
        std::wstring label(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(label.data()));
        label.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
        const int indent = static_cast<int>(item.itemData) * (item.rcItem.bottom - item.rcItem.top) * 2 / 3;
        RECT text = item.rcItem;
        text.left += Scale(2, WindowDpi(item.hwndItem)) + indent;
        const int oldMode = SetBkMode(item.hDC, TRANSPARENT);
        const COLORREF oldColour =
            SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        DrawTextW(item.hDC, label.c_str(), static_cast<int>(label.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SetTextColor(item.hDC, oldColour);
        SetBkMode(item.hDC, oldMode);
        if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
        return TRUE;
    }

    std::string start_;
    bool allowCreate_;
    HWND dialog_ = nullptr;
    std::string current_;
    std::vector<std::string> treePaths_; // full path of each tree item
    int currentIndex_ = 0;               // tree item of the current folder
    std::string result_;
};

} // namespace

bool SelectDirectory(HWND owner, std::string& directory, bool allowCreate) {
    FolderChooser chooser(directory, allowCreate);
    if (!chooser.Run(owner)) return false;
    directory = chooser.Result();
    return true;
}

} // namespace tk
