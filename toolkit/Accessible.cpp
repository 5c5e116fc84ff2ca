#include "toolkit/Accessible.h"

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <commctrl.h>
#include <oleacc.h>

namespace tk {
namespace {

// Not in every SDK's headers: UI Automation's LiveSetting property and the
// annotation service's interface.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kAccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d,
                                           {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr long kPolite = 1;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, from Windows 8 on

// A hint that is only blanks (the slot buttons') describes nothing.
std::string Description(const std::string& hint) {
    const std::string text = LongHint(hint);
    return text.find_first_not_of(' ') == std::string::npos ? std::string() : text;
}

// What every toolkit control tells: its name (the layout's accessible name,
// else the caption), its hint as description, and the role of its kind,
// which the standard objects of custom classes do not know.
void DescribeControl(const Control& control, AccessibleTexts& texts) {
    texts.name = control.AccessibleName().empty() ? control.Caption() : control.AccessibleName();
    texts.description = Description(control.Hint());
    if (dynamic_cast<const Label*>(&control)) {
        texts.role = ROLE_SYSTEM_STATICTEXT;
    } else if (dynamic_cast<const BitBtn*>(&control) || dynamic_cast<const Button*>(&control)) {
        texts.role = ROLE_SYSTEM_PUSHBUTTON;
    } else if (dynamic_cast<const RadioGroup*>(&control)) {
        texts.role = ROLE_SYSTEM_GROUPING;
    } else if (const auto* pages = dynamic_cast<const PageControl*>(&control)) {
        // The tab list takes the focus; it is known by the tab that is open.
        texts.role = ROLE_SYSTEM_PAGETABLIST;
        if (texts.name.empty() && pages->ActivePage()) texts.name = pages->ActivePage()->Caption();
    } else if (dynamic_cast<const TabSheet*>(&control)) {
        texts.role = ROLE_SYSTEM_PROPERTYPAGE;
    } else if (const auto* edit = dynamic_cast<const MaskEdit*>(&control)) {
        texts.role = ROLE_SYSTEM_TEXT;
        if (edit->PasswordChar()) texts.state |= STATE_SYSTEM_PROTECTED;
    }
}

// A radio group's item: a radio button named by its text, checked or not.
void DescribeItem(HWND item, AccessibleTexts& texts) {
    texts.name = WindowText(item);
    texts.role = ROLE_SYSTEM_RADIOBUTTON;
    if (SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) texts.state |= STATE_SYSTEM_CHECKED;
}

void DescribeWindow(HWND hwnd, AccessibleTexts& texts) {
    if (const Control* control = Control::FromHandle(hwnd)) {
        DescribeControl(*control, texts);
        if (control->OnDescribe) control->OnDescribe(*control, texts);
    } else if (dynamic_cast<const RadioGroup*>(Control::FromHandle(GetParent(hwnd)))) {
        DescribeItem(hwnd, texts);
    }
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT Answer(const std::string& text, BSTR* out) {
    *out = SysAllocString(Wide(text).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The client object of one window. It holds the window's handle, not its
// control: a reader may keep the object after the window has gone, and then
// finds no control and gets the standard object's answers (errors).
class AccessibleObject final : public IAccessible, public IOleWindow {
public:
    AccessibleObject(HWND hwnd, ComPtr<IAccessible> standard) : hwnd_(hwnd), standard_(std::move(standard)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (riid == __uuidof(IOleWindow)) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = hwnd_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        return standard_->Invoke(id, riid, lcid, flags, params, result, exception, argError);
    }

    // IAccessible: what the control tells, for the object itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        return Text(child, out, &AccessibleTexts::name, &IAccessible::get_accName);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return Text(child, out, &AccessibleTexts::description, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return Text(child, out, &AccessibleTexts::shortcut, &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        if (!out) return E_POINTER;
        AccessibleTexts texts;
        if (IsSelf(child) && Describe(texts) && texts.role != 0) {
            out->vt = VT_I4;
            out->lVal = texts.role;
            return S_OK;
        }
        return standard_->get_accRole(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        const HRESULT result = standard_->get_accState(child, out);
        AccessibleTexts texts;
        if (SUCCEEDED(result) && out->vt == VT_I4 && IsSelf(child) && Describe(texts)) out->lVal |= texts.state;
        return result;
    }

    // IAccessible: the standard object's.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override { return standard_->get_accParent(out); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* out) override { return standard_->get_accChildCount(out); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        return standard_->get_accValue(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return standard_->get_accHelp(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override { return standard_->get_accFocus(out); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override { return standard_->get_accSelection(out); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        return standard_->get_accDefaultAction(child, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        return standard_->accNavigate(direction, start, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        return standard_->accHitTest(x, y, out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    // Calls come from other processes through COM: nothing may be thrown back.
    bool Describe(AccessibleTexts& texts) const {
        try {
            DescribeWindow(hwnd_, texts);
            return true;
        } catch (...) {
            return false;
        }
    }
    HRESULT Text(VARIANT child, BSTR* out, std::string AccessibleTexts::*field,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*standard)(VARIANT, BSTR*)) {
        if (!out) return E_POINTER;
        AccessibleTexts texts;
        if (IsSelf(child) && Describe(texts) && !(texts.*field).empty()) return Answer(texts.*field, out);
        return (standard_.Get()->*standard)(child, out);
    }

    LONG refs_ = 1;
    HWND hwnd_;
    ComPtr<IAccessible> standard_;
};

LRESULT CALLBACK ChildSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETOBJECT) {
        if (const LRESULT answer = AnswerGetObject(hwnd, wParam, lParam)) return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ChildSubclassProc, 0);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

ComPtr<IAccPropServices> PropServices() {
    ComPtr<IAccPropServices> services;
    if (FAILED(CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                services.PutVoid())))
        services.Reset();
    return services;
}

} // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
    ComPtr<IAccessible> standard;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible), standard.PutVoid()))) return 0;
    auto* object = new AccessibleObject(hwnd, std::move(standard));
    const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
    object->Release();
    return result < 0 ? 0 : result;
}

void AnswerForChildWindow(HWND child) { SetWindowSubclass(child, ChildSubclassProc, 0, 0); }

void AnnounceNameChange(HWND hwnd, bool liveRegion) {
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
    if (liveRegion) NotifyWinEvent(kLiveRegionChanged, hwnd, OBJID_CLIENT, CHILDID_SELF);
}

void MarkLiveRegion(HWND hwnd, bool on) {
    const ComPtr<IAccPropServices> services = PropServices();
    if (!services) return;
    MSAAPROPID property = kLiveSettingProperty;
    if (on) {
        VARIANT polite;
        polite.vt = VT_I4;
        polite.lVal = kPolite;
        services->SetHwndProp(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, polite);
    } else {
        services->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &property, 1);
    }
}

} // namespace tk
