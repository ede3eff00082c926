#pragma once

// The property dialog: the options and the site list. It copies the
// engine's settings and sites into its controls when it is made and writes
// everything back only on OK. Modeless; any way of closing it remembers its
// place and page and asks the engine to destroy it.

#include "engine/host/TPLYXTypes.h"
#include "engine/property/TOpenDialog.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TPLYXNews;

class TFormProperty : public QDialog, public TObject {
public:
    // owner: the player's main control; the dialog stays above it and goes
    // with it.
    TFormProperty(QWidget* owner, TPLYXNews& news);

    void BtnOKClick();
    void BtnCanselClick();
    void BtnHelpClick();
    void BtnDesignClick();
    void BtnAddClick();
    void BtnDelClick();
    void BtnUpClick();
    void BtnDownClick();
    void BtnOpenURLClick();
    void BtnGetURLClick();
    void EditSiteNameChange();
    void EditSiteURLChange();
    void ComboBoxIntervalChange();
    void ListViewNewsSelectItem();

    // The list's columns: caption, then the sub-items.
    // The status column shows how the site's updates went; it is not edited.
    enum Column { ColName = 0, ColURL = 1, ColInterval = 2, ColStatus = 3 };

    QTabWidget* PageControl;
    QWidget* TabSheetProperty;
    QCheckBox* CheckBoxOnline;
    QCheckBox* CheckBoxStayOnTop;
    QCheckBox* CheckBoxWindowEnabled;
    QComboBox* ComboBoxWindowLocation;
    QPushButton* BtnDesign;
    QLineEdit* EditDesign;
    QLabel* Label1;
    QLineEdit* EditScrollSpeedWindow;
    QLineEdit* EditScrollSpeedPanel;
    QLabel* Label5;
    QLineEdit* EditScrollStepWindow;
    QLineEdit* EditScrollStepPanel;
    QWidget* TabSheetSite;
    QTreeWidget* ListViewNews;
    QWidget* Panel2;
    QLineEdit* EditSiteName;
    QLineEdit* EditSiteURL;
    QComboBox* ComboBoxInterval;
    QLabel* Label3;
    QToolButton* BtnUp;
    QToolButton* BtnDown;
    QToolButton* BtnOpenURL;
    QPushButton* BtnGetURL;
    QPushButton* BtnAdd;
    QPushButton* BtnDel;
    QWidget* Panel1;
    QPushButton* BtnOK;
    QPushButton* BtnCansel;
    QPushButton* BtnHelp;
    TOpenDialog OpenDialog;

protected:
    // Every way of closing ends here: the buttons, the title bar, Escape.
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildPropertyPage();
    void buildSitePage();
    void fillFromEngine();
    void nameForScreenReaders();
    void FormClose();
    QTreeWidgetItem* selectedRow() const;
    void dropRow(int index);
    void selectRow(int index);
    void moveSelectedRow(int by);
    QTreeWidgetItem* addRow(const std::string& name, const std::string& url,
                            const std::string& interval, bool enabled);
    // What OK writes besides the engine's own settings; the files that
    // could not be written are added to failed.
    void applySites(bool& updateWanted);
    void writePanelValues(std::string& failed);

    TPLYXNews& news_;
    bool closed_ = false;
};

// Lets the engine make the dialog: sets the maker in the module's
// references. The engine library's entry calls it at start.
void RegisterPropertyDialog();
