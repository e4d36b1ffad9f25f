#pragma once

#include "platform/CommonDialogService.h"

#include <QList>
#include <QVariant>

// A common-dialog service for tests: installs itself while it lives, records every
// request and answers from queues; an empty queue answers as if the user cancelled.
namespace support {

class FakeCommonDialogService final : public platform::CommonDialogService
{
public:
    enum class Kind { Open, Save, Color, Font };

    struct Request
    {
        Kind kind = Kind::Open;
        platform::FileDialogRequest file; // open and save as
        platform::OleColor color = 0;     // colour: the colour shown first
        platform::FontChoice font;        // font: the font shown first
    };

    FakeCommonDialogService();
    ~FakeCommonDialogService() override;
    FakeCommonDialogService(const FakeCommonDialogService&) = delete;
    FakeCommonDialogService& operator=(const FakeCommonDialogService&) = delete;

    std::optional<platform::FileDialogResult>
    showOpen(const platform::FileDialogRequest& request) override;
    std::optional<platform::FileDialogResult>
    showSave(const platform::FileDialogRequest& request) override;
    std::optional<platform::OleColor> showColor(platform::OleColor initial,
                                                QWidget* owner) override;
    std::optional<platform::FontChoice> showFont(const platform::FontChoice& initial,
                                                 QWidget* owner) override;

    // The answers of the next dialogs of each kind; std::nullopt is a cancel.
    void queueFile(std::optional<platform::FileDialogResult> answer)
    {
        m_files.append(std::move(answer));
    }
    void queueColor(std::optional<platform::OleColor> answer) { m_colors.append(answer); }
    void queueFont(std::optional<platform::FontChoice> answer)
    {
        m_fonts.append(std::move(answer));
    }

    const QList<Request>& requests() const { return m_requests; }

private:
    platform::CommonDialogService* m_previous = nullptr;
    QList<Request> m_requests;
    QList<std::optional<platform::FileDialogResult>> m_files;
    QList<std::optional<platform::OleColor>> m_colors;
    QList<std::optional<platform::FontChoice>> m_fonts;
};

} // namespace support
