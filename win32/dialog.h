#pragma once
// A modal dialog from a dialog template. One static dialog procedure finds
// the object through GWLP_USERDATA and hands every message to OnMessage;
// button clicks and notifications go to the handlers that the derived
// dialog maps by control ID.

#include <windows.h>

#include <functional>
#include <vector>

#include "data_exchange.h"
#include "window.h"

class CDialog : public CWindow {
public:
    explicit CDialog(int templateId) : templateId_(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog over the current modal owner (none for the main
    // window). Returns the EndDialog result, or -1 when the dialog could not
    // be created.
    INT_PTR DoModal();

    // false: a check failed on the way from the controls; the check has
    // already told the user.
    bool UpdateData(bool saveAndValidate);
    void EndDialog(int result);

    int TemplateId() const { return templateId_; }
    // The innermost dialog running its modal loop, or null.
    static CDialog* InFront() { return inFront_; }

protected:
    using ClickHandler = std::function<void()>;
    using NotifyHandler = std::function<LRESULT(const NMHDR&)>;

    // A BN_CLICKED from control id runs handler; IDOK and IDCANCEL fall back
    // to OnOK and OnCancel when they are not mapped.
    void MapClick(int id, ClickHandler handler);
    // A WM_NOTIFY with this code from control id; the handler's result is
    // the message result.
    void MapNotify(int id, UINT code, NotifyHandler handler);

    // Exchanges the data towards the controls once. true: the dialog manager
    // puts the focus on the first tab stop.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();
    // Every horizontal-scroll notification; the dialog manager's default
    // handling follows.
    virtual void OnHScroll(int code, int position, HWND scrollBar);
    // true: handled, and the dialog manager does nothing more with it.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The icon dragged for a minimised dialog; null leaves it to the system.
    // Its own handler because the dialog procedure returns it directly.
    virtual HICON OnQueryDragIcon() { return nullptr; }

private:
    struct ClickRoute {
        int id;
        ClickHandler handler;
    };
    struct NotifyRoute {
        int id;
        UINT code;
        NotifyHandler handler;
    };

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCommand(int code, int id, HWND control);
    bool OnNotify(const NMHDR& header);
    bool TemplateAtOrigin() const;
    std::size_t StyleOffset() const;
    void CenterWindow() const;

    int templateId_;
    // The template as the dialog runs from it, read once per DoModal.
    std::vector<unsigned char> template_;
    std::vector<ClickRoute> clickRoutes_;
    std::vector<NotifyRoute> notifyRoutes_;
    static CDialog* inFront_;
};
