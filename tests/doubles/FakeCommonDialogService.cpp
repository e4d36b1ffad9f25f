#include "platform/FakeCommonDialogService.h"

namespace platform {

namespace {
template <typename T> std::optional<T> takeFirst(QList<std::optional<T>>& queue)
{
    return queue.isEmpty() ? std::nullopt : queue.takeFirst();
}
} // namespace

FakeCommonDialogService::FakeCommonDialogService() : m_previous(&CommonDialogService::current())
{
    CommonDialogService::setCurrent(this);
}

FakeCommonDialogService::~FakeCommonDialogService()
{
    CommonDialogService::setCurrent(m_previous);
}

std::optional<FileDialogResult> FakeCommonDialogService::showOpen(const FileDialogRequest& request)
{
    m_requests.append({Kind::Open, request, 0, {}});
    return takeFirst(m_files);
}

std::optional<FileDialogResult> FakeCommonDialogService::showSave(const FileDialogRequest& request)
{
    m_requests.append({Kind::Save, request, 0, {}});
    return takeFirst(m_files);
}

std::optional<OleColor> FakeCommonDialogService::showColor(OleColor initial, QWidget*)
{
    m_requests.append({Kind::Color, {}, initial, {}});
    return takeFirst(m_colors);
}

std::optional<FontChoice> FakeCommonDialogService::showFont(const FontChoice& initial, QWidget*)
{
    m_requests.append({Kind::Font, {}, 0, initial});
    return takeFirst(m_fonts);
}

} // namespace platform
