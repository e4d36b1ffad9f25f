#pragma once

#include "platform/CommonDialogService.h"

#include <QList>
#include <QVariant>

// A common-dialog service for tests: installs itself while it lives, records every
// request and answers from queues; an empty queue answers as if the user cancelled.
namespace platform {

class FakeCommonDialogService final : public CommonDialogService
{
public:
    enum class Kind { Open, Save, Color, Font };

    struct Request
    {
        Kind kind = Kind::Open;
        FileDialogRequest file; // open and save as
        OleColor color = 0;     // colour: the colour shown first
        FontChoice font;        // font: the font shown first
    };

    FakeCommonDialogService();
    ~FakeCommonDialogService() override;
    FakeCommonDialogService(const FakeCommonDialogService&) = delete;
    FakeCommonDialogService& operator=(const FakeCommonDialogService&) = delete;

    std::optional<FileDialogResult> showOpen(const FileDialogRequest& request) override;
    std::optional<FileDialogResult> showSave(const FileDialogRequest& request) override;
    std::optional<OleColor> showColor(OleColor initial, QWidget* owner) override;
    std::optional<FontChoice> showFont(const FontChoice& initial, QWidget* owner) override;

    // The answers of the next dialogs of each kind; std::nullopt is a cancel.
    void queueFile(std::optional<FileDialogResult> answer) { m_files.append(std::move(answer)); }
    void queueColor(std::optional<OleColor> answer) { m_colors.append(answer); }
    void queueFont(std::optional<FontChoice> answer) { m_fonts.append(std::move(answer)); }

    const QList<Request>& requests() const { return m_requests; }

private:
    CommonDialogService* m_previous = nullptr;
    QList<Request> m_requests;
    QList<std::optional<FileDialogResult>> m_files;
    QList<std::optional<OleColor>> m_colors;
    QList<std::optional<FontChoice>> m_fonts;
};

} // namespace platform
