// The password dialog. It asks for a new password or an existing one, as the
// main window's passwordSetMode says, and leaves the encoded entry in the main
// window's passwordEntry however it is closed.
#pragma once
#include "toolkit/Controls.h"
#include "toolkit/Form.h"

namespace k2 {

class TForm1;

class TForm2 : public tk::Form {
public:
    TForm2(tk::Component* owner, TForm1& mainForm);
    ~TForm2() override;

    tk::Label* Label1 = nullptr;
    tk::MaskEdit* MaskEdit1 = nullptr;
    tk::Button* Button1 = nullptr;

    void Button1Click(tk::Component& sender);
    void MaskEdit1KeyUp(tk::Control& sender, WORD& key, WPARAM keys);
    void FormClose(tk::Component& sender);

protected:
    void BindHandlers(tk::HandlerTable& table) override;

private:
    TForm1& mainForm_;
};

} // namespace k2
