// Test support for the window tests: one QApplication for the whole test
// program, temporary settings files, and a handler for the modal windows a
// test action opens (message boxes, dialogs), which would otherwise wait
// for a user.
#ifndef VOR_TESTING_UI_TEST_SUPPORT_H_
#define VOR_TESTING_UI_TEST_SUPPORT_H_

#include <QString>
#include <QWidget>
#include <functional>
#include <string>

namespace vor::test {

// Runs `action`. Each modal window that opens meanwhile is handed once to
// `handle`, which must close it (accept, reject, click a button). Returns
// how many modal windows were handled.
int WithModalHandler(const std::function<void(QWidget*)>& handle,
                     const std::function<void()>& action);

// The text of a message box, or "" for any other widget.
QString MessageText(QWidget* modal);

// Whole-file helpers (binary, no conversion).
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// Shows `window` and waits until it is the active window, so that focus
// changes take effect as they would for a user.
bool ShowActive(QWidget* window);

// Delivers the pending deferred deletions (windows closed with
// WA_DeleteOnClose).
void FlushDeletes();

}  // namespace vor::test

#endif  // VOR_TESTING_UI_TEST_SUPPORT_H_
