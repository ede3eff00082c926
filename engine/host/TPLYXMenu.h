#pragma once

// One item of the player's menus, addressed by its 32-bit id. Wrappers are
// cheap views made by TPLYX::GetMenu; one that this system Created deletes
// its item in the player when it is destroyed.

#include "engine/host/TPLYXTypes.h"

#include <string>

class TPLYX;

class TPLYXMenu : public TObject {
public:
    TPLYXMenu(TPLYX* owner, long id) : Owner(owner), Id(id) {}
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
};
