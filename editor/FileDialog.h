// Open and save dialogs for langpack files. The main window keeps one of each; a dialog
// remembers its folder, filter, default extension and the file last chosen.
//
// Tests answer the dialogs instead of a person: with a responder installed, Execute()
// shows nothing and takes the responder's answer (a file name, or nothing for Cancel).
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

class TFileDialog {
public:
    enum class Kind { Open, Save };

    explicit TFileDialog(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }

    QString InitialDir;  // the folder the dialog opens in
    QString Filter;      // in Qt's form, e.g. "ZV langpack file (*.ZVlang)"
    QString DefaultExt;  // without the dot; added to a chosen name that has no extension
    QString FileName;    // the file proposed before Execute(), the file chosen after it

    // Shows the dialog modally. True when the user chose a file (then in FileName);
    // false when cancelled (FileName unchanged). A save dialog never asks whether to
    // replace an existing file.
    bool Execute(QWidget *owner = nullptr);

    using Responder = std::function<std::optional<QString>(const TFileDialog &)>;
    // Installs (or, with an empty function, removes) the process-wide test responder.
    static void SetResponder(Responder responder);

private:
    Kind kind_;
};

// "name" + "." + defaultExt when the file part of `name` has no extension.
QString WithDefaultExt(const QString &name, const QString &defaultExt);
