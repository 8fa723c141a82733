// Shared between the parts of the desktop host; not for other modules.
#pragma once

#include <QMainWindow>
#include <QWindow>

#include <string>

#include "platform/qt/qthost.h"

class QDialog;
class QOpenGLContext;

// One window of the program: a drawing surface, and for the main window the
// QMainWindow that holds it and the menu bar.
struct sQtWin;

// The drawing surface of a window; input on it becomes platform events.
class KvbGlWindow : public QWindow {
public:
    explicit KvbGlWindow(sQtWin *owner);
    sQtWin *owner;

protected:
    bool event(QEvent *e) override;
    void exposeEvent(QExposeEvent *e) override;
};

// The main window: menu bar, drawing area, file drops, the close button.
class KvbMainWindow : public QMainWindow {
public:
    explicit KvbMainWindow(sQtWin *owner);
    sQtWin *owner;

protected:
    void closeEvent(QCloseEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dragLeaveEvent(QDragLeaveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
};

struct sQtWin {
    KvbGlWindow *gl;        // the surface every window has
    KvbMainWindow *main;    // the main window's frame, null for the others
    int wheelRest;          // vertical wheel units not yet a whole notch
    bool enabled;           // input is passed on
};

// --- Events (qthost.cpp) ----------------------------------------------------------

// Posts `ev` for `win` (fills in its window). Never fails.
void qtPost(sQtWin *win, sOsEvent &ev);
// Posts one event of `number` without data.
void qtPostSimple(sQtWin *win, int number);
// The main window's frame, null before it exists.
QWidget *qtMainWidget();

// --- Dialogs (qtdialogs.cpp) -------------------------------------------------------

int qtMessageBox(const wchar_t *title, const wchar_t *message, int kind);
int qtFileDialog(const char *startFolder, osPathSink sink, void *ctx);
int qtDirDialog(char *buf, size_t cap, const char *startFolder, const wchar_t *title);
int qtStorageDialogShow(void);
void qtStorageDialogTerm(void);
// Closes every modal dialog and menu that is open (the program must quit).
void qtCloseModals(void);
// Runs `dialog` modally, letting the test hook answer it when one is set.
// Returns the hook's result (QDialog::Rejected when cancelled through it),
// or exec()'s result without a hook.
int qtExecDialog(QDialog *dialog, const sQtDialogSeen &seen, char *paths, size_t cap, bool *hooked);

// --- Volumes (qteject.cpp) -------------------------------------------------------------

int qtVolumeScan(void);
int qtVolumeGet(int i, sOsVolume *out);
