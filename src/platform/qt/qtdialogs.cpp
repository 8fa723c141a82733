// The desktop host's dialogs: message boxes, the file and folder choosers
// and the storage-select dialog. See qthost.h.
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

#include "platform/qt/qtprivate.h"

namespace {

qtDialogHook gHook = nullptr;
void *gHookUser = nullptr;

void copyUtf8(char *dst, size_t cap, const QString &s) {
    std::snprintf(dst, cap, "%s", s.toUtf8().constData());
}

// Runs `fn` on the main thread: a box asked from another thread is shown by
// the main thread during its next poll while the asking thread waits.
template <typename Fn>
int onMainThread(Fn fn) {
    if (QThread::currentThread() == qApp->thread()) return fn();
    int r = 0;
    QMetaObject::invokeMethod(qApp, [&] { r = fn(); }, Qt::BlockingQueuedConnection);
    return r;
}

// Splits the hook's answer (one path a line) into file-system paths.
std::vector<QByteArray> hookPaths(const char *answer) {
    std::vector<QByteArray> out;
    for (const QByteArray &line : QByteArray(answer).split('\n'))
        if (!line.isEmpty()) out.push_back(line);
    return out;
}

// --- The storage-select dialog ---------------------------------------------------

class StorageDialog : public QDialog {
public:
    StorageDialog() {
        setWindowTitle(QString::fromWCharArray(ghostText(4)));
        auto *layout = new QVBoxLayout(this);
        list_ = new QListWidget(this);
        list_->setMinimumSize(320, 160);
        layout->addWidget(list_);
        // "Folder..." stands apart from the buttons that close the dialog.
        auto *row = new QHBoxLayout();
        folder_ = new QPushButton(QString::fromWCharArray(ghostText(115)), this);
        ok_ = new QPushButton(QStringLiteral("OK"), this);
        auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
        folder_->setAutoDefault(false);
        cancel->setAutoDefault(false);
        ok_->setDefault(true);
        row->addWidget(folder_);
        row->addStretch(1);
        row->addWidget(ok_);
        row->addWidget(cancel);
        layout->addLayout(row);
        connect(ok_, &QPushButton::clicked, this, [this] { finish(1); });
        connect(cancel, &QPushButton::clicked, this, [this] { finish(0); });
        connect(folder_, &QPushButton::clicked, this, [this] { chooseFolder(); });
        connect(list_, &QListWidget::currentRowChanged, this, [](int row) {
            if (row >= 0) ghostStorageDialogChoose(row);
        });
        connect(list_, &QListWidget::itemDoubleClicked, this, [this] { finish(1); });
        // Cards come and go while the dialog waits: the kernel flags
        // mountinfo when the mounts change, so the list follows at no cost.
        mounts_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (mounts_ >= 0) {
            watch_ = new QSocketNotifier(mounts_, QSocketNotifier::Exception, this);
            connect(watch_, &QSocketNotifier::activated, this, [this] {
                char buf[4096];
                lseek(mounts_, 0, SEEK_SET);
                while (read(mounts_, buf, sizeof buf) > 0) {
                }
                if (isVisible()) fill(ghostStorageDialogRefresh());
            });
        }
    }
    ~StorageDialog() override {
        delete watch_;
        if (mounts_ >= 0) ::close(mounts_);
    }

    // Shows the list the layer has just built.
    void present() {
        int n = 0;
        while (ghostStorageDialogName(n)[0]) n++;
        fill(n);
        adjustSize();
        if (QScreen *sc = QGuiApplication::primaryScreen())
            move(sc->availableGeometry().center() - QPoint(width() / 2, height() / 2));
        show();
        raise();
        activateWindow();
    }

protected:
    void reject() override { finish(0); }
    void closeEvent(QCloseEvent *e) override {
        e->ignore();
        finish(0);
    }

private:
    void fill(int n) {
        QSignalBlocker block(list_);
        list_->clear();
        for (int i = 0; i < n; i++) list_->addItem(QString::fromUtf8(ghostStorageDialogName(i)));
        list_->setCurrentRow(ghostStorageDialogSelected());
        ok_->setEnabled(n > 0);
    }
    void finish(int result) {
        if (!ghostStorageDialogIsOpen()) return;
        hide();
        ghostStorageDialogClose(result);
    }
    void chooseFolder() {
        char path[kRliPathMax];
        if (qtDirDialog(path, sizeof path, "", ghostText(4)) && ghostStorageDialogChooseFolder(path) == 0) hide();
    }

    QListWidget *list_ = nullptr;
    QPushButton *ok_ = nullptr;
    QPushButton *folder_ = nullptr;
    QSocketNotifier *watch_ = nullptr;
    int mounts_ = -1;
};

StorageDialog *gStorage = nullptr;

}  // namespace

// --- Modal dialogs ----------------------------------------------------------------

void qtSetDialogHook(qtDialogHook hook, void *user) {
    gHook = hook;
    gHookUser = user;
}

int qtExecDialog(QDialog *dialog, const sQtDialogSeen &seen, char *paths, size_t cap, bool *hooked) {
    *hooked = gHook != nullptr;
    if (!gHook) return dialog->exec();
    int result = QDialog::Rejected;
    // The hook answers once the dialog is up, as a user would.
    QTimer::singleShot(0, dialog, [&] {
        int r = gHook(gHookUser, &seen, paths, cap);
        if (seen.kind == QT_DIALOG_MESSAGE) {
            auto *box = static_cast<QMessageBox *>(dialog);
            QList<QAbstractButton *> buttons = box->buttons();
            if (r >= 0 && r < seen.buttonCount) {
                for (QAbstractButton *b : buttons)
                    if (b->text() == QString::fromUtf8(seen.buttons[r])) b->click();
            } else {
                dialog->reject();
            }
            return;
        }
        result = (paths && paths[0]) ? QDialog::Accepted : QDialog::Rejected;
        dialog->done(result);
    });
    int exec = dialog->exec();
    return seen.kind == QT_DIALOG_MESSAGE ? exec : result;
}

int qtMessageBox(const wchar_t *title, const wchar_t *message, int kind) {
    return onMainThread([=] {
        // The buttons and their answers, default first.
        struct sButton {
            const char *label;
            int answer;
            QMessageBox::ButtonRole role;
        };
        static const std::vector<sButton> kButtons[] = {
            {{"OK", MBOX_OK, QMessageBox::AcceptRole}},
            {{"YES", MBOX_YES, QMessageBox::YesRole}, {"NO", MBOX_NO, QMessageBox::NoRole}},
            {{"YES", MBOX_YES, QMessageBox::YesRole},
             {"CANCEL", MBOX_CANCEL, QMessageBox::RejectRole},
             {"NO", MBOX_NO, QMessageBox::NoRole}},
        };
        if (kind < MBOX_KIND_OK || kind > MBOX_KIND_YES_CANCEL_NO) return 0;
        QMessageBox box(qtMainWidget() && qtMainWidget()->isVisible() ? qtMainWidget() : nullptr);
        box.setWindowTitle(QString::fromWCharArray(title));
        box.setText(QString::fromWCharArray(message));
        box.setIcon(kind == MBOX_KIND_OK ? QMessageBox::NoIcon : QMessageBox::Question);
        sQtDialogSeen seen{};
        seen.kind = QT_DIALOG_MESSAGE;
        copyUtf8(seen.title, sizeof seen.title, box.windowTitle());
        copyUtf8(seen.text, sizeof seen.text, box.text());
        std::map<QAbstractButton *, int> answers;
        for (const sButton &b : kButtons[kind]) {
            QPushButton *p = box.addButton(QString::fromLatin1(b.label), b.role);
            answers[p] = b.answer;
            if (seen.buttonCount == 0) box.setDefaultButton(p);
            std::snprintf(seen.buttons[seen.buttonCount++], sizeof seen.buttons[0], "%s", b.label);
        }
        // Escape or the close button: OK, NO, or CANCEL where there is one.
        box.setEscapeButton(box.buttons().at(kind == MBOX_KIND_OK ? 0 : 1));
        bool hooked = false;
        qtExecDialog(&box, seen, nullptr, 0, &hooked);
        auto it = answers.find(box.clickedButton());
        if (it != answers.end()) return it->second;
        return static_cast<int>(kind == MBOX_KIND_OK ? MBOX_OK : kind == MBOX_KIND_YES_NO ? MBOX_NO : MBOX_CANCEL);
    });
}

int qtFileDialog(const char *startFolder, osPathSink sink, void *ctx) {
    QFileDialog dialog(qtMainWidget(), QString(), QFile::decodeName(startFolder));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(QStringLiteral("Audio (*.wav *.WAV *.aif *.AIF *.aiff *.AIFF)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    sQtDialogSeen seen{};
    seen.kind = QT_DIALOG_FILES;
    std::snprintf(seen.text, sizeof seen.text, "%s", startFolder);
    char answer[8192] = "";
    bool hooked = false;
    if (qtExecDialog(&dialog, seen, answer, sizeof answer, &hooked) != QDialog::Accepted) return 0;
    std::vector<QByteArray> paths;
    if (hooked) paths = hookPaths(answer);
    else
        for (const QString &f : dialog.selectedFiles()) paths.push_back(QFile::encodeName(f));
    for (const QByteArray &p : paths) sink(ctx, p.constData());
    return static_cast<int>(paths.size());
}

int qtDirDialog(char *buf, size_t cap, const char *startFolder, const wchar_t *title) {
    QFileDialog dialog(qtMainWidget(), QString::fromWCharArray(title), QFile::decodeName(startFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    sQtDialogSeen seen{};
    seen.kind = QT_DIALOG_FOLDER;
    copyUtf8(seen.title, sizeof seen.title, dialog.windowTitle());
    std::snprintf(seen.text, sizeof seen.text, "%s", startFolder);
    char answer[8192] = "";
    bool hooked = false;
    if (qtExecDialog(&dialog, seen, answer, sizeof answer, &hooked) != QDialog::Accepted) return 0;
    QByteArray path;
    if (hooked) {
        std::vector<QByteArray> p = hookPaths(answer);
        if (!p.empty()) path = p[0];
    } else if (!dialog.selectedFiles().isEmpty()) {
        path = QFile::encodeName(dialog.selectedFiles().first());
    }
    // A path cut to fit would name another folder: nothing instead.
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= cap) return 0;
    std::memcpy(buf, path.constData(), path.size() + 1);
    return 1;
}

int qtStorageDialogShow(void) {
    if (!qApp) return -1;
    if (!gStorage) gStorage = new StorageDialog();
    gStorage->present();
    return 0;
}

void qtStorageDialogTerm(void) {
    delete gStorage;
    gStorage = nullptr;
}

void qtCloseModals(void) {
    if (QWidget *popup = QApplication::activePopupWidget()) popup->close();
    while (QWidget *modal = QApplication::activeModalWidget()) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog) break;
        dialog->reject();
        if (QApplication::activeModalWidget() == modal) break;
    }
}
