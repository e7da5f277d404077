#pragma once

// Prompts for tests: file and folder questions are answered from a queue, and every
// question and message is recorded. A question with no answer left is cancelled.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/prompts.h"

namespace zandrel {

enum class QuestionKind { OpenFile, OpenFiles, SaveFile, OutputFolder };

struct AskedQuestion {
    QuestionKind kind = QuestionKind::OpenFile;
    std::string filter;
    std::string initialName;
};

struct ShownMessage {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class ScriptedPrompts final : public Prompts {
public:
    // The next question is confirmed with these paths (a folder question takes the
    // first, a single-file question the first).
    void Answer(std::string path);
    void AnswerFiles(std::vector<std::string> paths);
    // The next question is cancelled.
    void Cancel();
    // The next yes-or-no question is answered so; one without a reply left gets No.
    void Reply(bool yes) { m_replies.push_back(yes); }
    const std::vector<std::string>& YesNoQuestions() const { return m_yesNo; }
    // The filter entry the next confirmed SaveFileOfType picks; the first one otherwise.
    void PickFilter(std::size_t index) { m_nPickedFilter = index; }

    const std::vector<AskedQuestion>& Questions() const { return m_questions; }
    const std::vector<ShownMessage>& Messages() const { return m_messages; }
    std::size_t AnswersLeft() const { return m_answers.size(); }
    void Forget();

    std::optional<std::string> OpenFile(std::string_view filter) override;
    std::vector<std::string> OpenFiles(std::string_view filter) override;
    std::optional<std::string> SaveFile(std::string_view filter, std::string_view initialName) override;
    std::optional<SaveChoice> SaveFileOfType(std::string_view filter, std::string_view initialName) override;
    std::optional<std::string> ChooseOutputFolder() override;
    void ShowMessage(std::string_view text, MessageIcon icon) override;
    bool AskYesNo(std::string_view text) override;

private:
    std::vector<std::string> Next(QuestionKind kind, std::string_view filter, std::string_view initialName);

    std::deque<std::vector<std::string>> m_answers;  // empty: cancel
    std::vector<AskedQuestion> m_questions;
    std::vector<ShownMessage> m_messages;
    std::deque<bool> m_replies;
    std::vector<std::string> m_yesNo;
    std::size_t m_nPickedFilter = 0;
};

}  // namespace zandrel
