#pragma once

// The class library's file-open dialog: a title, a filter in its
// "text|patterns|text|patterns" form, a default extension, a starting
// folder and file name, and a few options. Execute shows a Qt file dialog;
// a Runner set in its place answers instead (tests never wait on a dialog).
// Text and paths are Shift_JIS.

#include <QStringList>

#include <functional>
#include <string>
#include <string_view>

class QWidget;

class TOpenDialog {
public:
    std::string Title;
    std::string DefaultExt;
    std::string Filter;
    std::string InitialDir;
    std::string FileName;
    bool HideReadOnly = false;
    bool PathMustExist = false;
    bool FileMustExist = false;
    bool EnableSizing = true;

    // True when the user chose a file: FileName then names it. A name the
    // system text cannot hold is refused with a message box.
    bool Execute(QWidget* parent);

    std::function<bool(TOpenDialog& dialog)> Runner;
};

// The filter as Qt name filters: "text (patterns)" with the patterns'
// separators made blanks and "*.*" made "*", which on Linux is every file.
QStringList QtNameFilters(std::string_view filter);
