#pragma once

// One item of the player's menus, addressed by its 32-bit id.
//
// Wrappers belong to their TPLYX, which drops them on Bind, on Unbind (also
// the one a failed position read makes), when the player deletes the item
// (status 27) and on DeleteMenu or the parent's Delete. A TPLYXMenu* is
// therefore good only until the next call into TPLYX or the next event;
// whatever is kept longer is kept as a TPLYXMenuRef, which turns empty as
// soon as its wrapper is dropped and keeps the id for a new GetMenu. A
// click's handlers may drop the item or end the TPLYX: the wrapper lives
// until they return.

#include "engine/host/TPLYXTypes.h"

#include <memory>
#include <string>

class TPLYX;

class TPLYXMenu : public TObject, public std::enable_shared_from_this<TPLYXMenu> {
public:
    TPLYXMenu(TPLYX* owner, long id);
    // A Created wrapper handed out by RemoveMenu deletes its item in the
    // player when it goes, while its owner is bound.
    ~TPLYXMenu() override;
    TPLYXMenu(const TPLYXMenu&) = delete;
    TPLYXMenu& operator=(const TPLYXMenu&) = delete;

    int GetCount();
    TPLYXMenu* GetItem(int index);
    TPLYXMenu* Find(const std::string& caption);
    TPLYXMenu* Add(const std::string& caption);
    TPLYXMenu* Insert(int index, const std::string& caption);
    void Delete(int index);
    int GetIndex();
    std::string GetCaption();
    void SetCaption(const std::string& caption);
    void SetEnabled(bool enabled);
    bool GetChecked();
    void SetChecked(bool checked);

    TPLYX* const Owner;
    const long Id;
    TNotifyEvent OnSelect;
    bool Created = false;

private:
    friend class TPLYX;
    friend class TPLYXMenuRef;

    // The owner while it exists and is bound; null otherwise.
    TPLYX* boundOwner() const;

    std::weak_ptr<TPLYX> owner_;
    bool listed_ = false; // held by the owner's lists
};

// A menu item as a caller keeps it: empty once the owner has dropped the
// wrapper or is gone.
class TPLYXMenuRef {
public:
    TPLYXMenuRef() = default;
    // Implicit, for "TPLYXMenuRef news = root->Add(caption);".
    TPLYXMenuRef(TPLYXMenu* item);
    TPLYXMenu* get() const;
    TPLYXMenu* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    long Id() const { return id_; }

private:
    std::weak_ptr<TPLYXMenu> item_;
    long id_ = 0;
};
