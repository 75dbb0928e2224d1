// Actions: one command with its caption, state and handler, shared by the
// controls linked to it. A control holds its action through an action link;
// a change of the action reaches every linked control through its link, and
// only for the properties that the control still shares with the action.
#pragma once

#include <string>
#include <vector>

#include "framework/classes.h"

class TActionLink;
class TControl;

class TAction : public TComponent {
public:
    explicit TAction(TComponent* AOwner);
    ~TAction() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    TNotifyEvent OnExecute;

    // Runs OnExecute; false when there is none.
    bool Execute();

private:
    friend class TActionLink;
    template <class F>
    void ForEachLink(F&& tell);
    template <class T, class Tell>
    void Change(T& field, const T& value, Tell tell);

    std::string FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    int FHelpContext = 0;
    std::string FHint;
    int FImageIndex = -1;
    bool FVisible = true;
    std::vector<TActionLink*> FLinks;
};

// The link between one control and its action. A derived link of a control
// class adds the properties that class shares with actions (Checked,
// ImageIndex): the Is...Linked tests say whether the control still follows
// the action, the setters pass on a change of the action when it does.
class TActionLink {
public:
    explicit TActionLink(TControl* client) : FClient(client) {}
    virtual ~TActionLink();
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    TAction* Action() const { return FAction; }
    void SetAction(TAction* action);
    TControl* Client() const { return FClient; }
    bool Execute() { return FAction && FAction->Execute(); }

    virtual bool IsCaptionLinked() const;
    virtual bool IsCheckedLinked() const { return FAction != nullptr; }
    virtual bool IsEnabledLinked() const;
    virtual bool IsHelpContextLinked() const;
    virtual bool IsHintLinked() const;
    virtual bool IsImageIndexLinked() const { return FAction != nullptr; }
    virtual bool IsVisibleLinked() const;

    virtual void SetCaption(const std::string& value);
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool value);
    virtual void SetHelpContext(int value);
    virtual void SetHint(const std::string& value);
    virtual void SetImageIndex(int) {}
    virtual void SetVisible(bool value);

protected:
    friend class TAction;
    TControl* FClient;
    TAction* FAction = nullptr;
};
