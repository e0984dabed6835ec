#include "shell/window/QtFileDialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "files/FileCommands.h"
#include "files/LayerCommands.h"
#include "shell/core/MenuTables.h"
#include "shell/window/Form1.h"

namespace pemma {

namespace {

const QString kTitle = QStringLiteral("Pemmarover1.1");

History::Keep opened(bool loaded) { return loaded ? History::Keep::Always : History::Keep::Never; }

// What the file commands need from the window.
class FormFileWindow final : public FileCommandWindow {
public:
    explicit FormFileWindow(Form1& form) : form_(form) {}
    void refitToScreen() override { form_.fitToScreen(); }
    int scaleWidth() const override { return form_.scaleWidth(); }
    int scaleHeight() const override { return form_.scaleHeight(); }

private:
    Form1& form_;
};

// Lives as long as the window and serves all its file commands.
class FileCommandHost final : public QObject {
public:
    explicit FileCommandHost(Form1& form) : QObject(&form), form_(form), dialogs_(&form), window_(form) {}

    // Each command runs as a step of the history and says how it is kept.
    template <typename F>
    void connect(const char* name, F command)
    {
        QAction* action = form_.findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            return;
        QObject::connect(action, &QAction::triggered, this, [this, command] { run(command); });
    }
    template <typename F>
    void run(F command)
    {
        form_.runAsStep([this, command] {
            FileCommandContext ctx{form_.state(), form_.canvas(), dialogs_, window_};
            return command(ctx);
        });
        form_.repaintDirty();
    }
    void openByName(const QString& name)
    {
        const QString path = QFileInfo(name).absoluteFilePath();
        dialogs_.chosenElsewhere(path);
        run([path](FileCommandContext& ctx) { return opened(openPicture(ctx, path)); });
    }
    Form1& form() { return form_; }

private:
    Form1& form_;
    QtFileDialogs dialogs_;
    FormFileWindow window_;
};

} // namespace

QStringList QtFileDialogs::nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
        // Qt takes the patterns from the last parentheses and, with the
        // details hidden, shows what comes before them: the caption.
        out << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

std::optional<QString> QtFileDialogs::run(bool save, const QString& filter, int filterIndex)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails
                      | QFileDialog::DontUseNativeDialog);
    const QStringList filters = nameFilters(filter);
    dialog.setNameFilters(filters);
    // An index beyond the list selects the first entry.
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    else if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    // Like one dialog kept for the life of the window: it opens where the
    // last name was chosen, and a save dialog shows that name again (after
    // "No" to the question, the name just typed).
    if (!lastChosen_.isEmpty()) {
        const QFileInfo last(lastChosen_);
        if (last.absoluteDir().exists()) {
            dialog.setDirectory(last.absoluteDir());
            if (save)
                dialog.selectFile(last.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    lastChosen_ = chosen.first();
    return chosen.first();
}

std::optional<QString> QtFileDialogs::openFileName(const QString& filter, int filterIndex)
{
    return run(false, filter, filterIndex);
}

std::optional<QString> QtFileDialogs::saveFileName(const QString& filter, int filterIndex)
{
    return run(true, filter, filterIndex);
}

bool QtFileDialogs::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("question"));
    box.setTextFormat(Qt::PlainText); // a name is never taken for markup
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtFileDialogs::showError(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("fileError"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::function<void(const QString&)> installFileCommands(Form1& form)
{
    auto* host = new FileCommandHost(form);
    using Keep = History::Keep;
    // Opening is a step when it loaded a picture; saving changes nothing;
    // each background command is a step.
    host->connect("bmpopen", [](FileCommandContext& ctx) { return opened(bmpopen_Click(ctx)); });
    host->connect("bmpsave", [](FileCommandContext& ctx) {
        bmpsave_Click(ctx);
        return Keep::IfChanged;
    });
    for (int q : kJpegQualities) {
        const QByteArray name = "jpg" + QByteArray::number(q);
        host->connect(name.constData(), [q](FileCommandContext& ctx) {
            jpgsave_Click(ctx, q);
            return Keep::IfChanged;
        });
    }
    ColourSliders& sliders = form.sliders();
    host->connect("chback", [&sliders](FileCommandContext& ctx) {
        chback_Click(ctx.canvas, sliders);
        return Keep::Always;
    });
    host->connect("black", [](FileCommandContext& ctx) {
        black_Click(ctx.canvas);
        return Keep::Always;
    });
    host->connect("clback", [](FileCommandContext& ctx) {
        clback_Click(ctx.canvas);
        return Keep::Always;
    });
    host->connect("clsc", [](FileCommandContext& ctx) {
        clsc_Click(ctx.canvas);
        return Keep::Always;
    });
    return [host](const QString& name) { host->openByName(name); };
}

} // namespace pemma
