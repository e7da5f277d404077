#include "tests/support/scripted_prompts.h"

#include <utility>

namespace zandrel {

void ScriptedPrompts::Answer(std::string path) { m_answers.push_back({std::move(path)}); }

void ScriptedPrompts::AnswerFiles(std::vector<std::string> paths) { m_answers.push_back(std::move(paths)); }

void ScriptedPrompts::Cancel() { m_answers.emplace_back(); }

void ScriptedPrompts::Forget() {
    m_answers.clear();
    m_questions.clear();
    m_messages.clear();
}

std::vector<std::string> ScriptedPrompts::Next(QuestionKind kind, std::string_view filter,
                                               std::string_view initialName) {
    m_questions.push_back({kind, std::string(filter), std::string(initialName)});
    if (m_answers.empty()) return {};
    std::vector<std::string> answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompts::OpenFile(std::string_view filter) {
    std::vector<std::string> answer = Next(QuestionKind::OpenFile, filter, {});
    if (answer.empty()) return std::nullopt;
    EnterFolderOf(answer.front());
    return answer.front();
}

std::vector<std::string> ScriptedPrompts::OpenFiles(std::string_view filter) {
    std::vector<std::string> answer = Next(QuestionKind::OpenFiles, filter, {});
    if (!answer.empty()) EnterFolderOf(answer.front());
    return answer;
}

std::optional<std::string> ScriptedPrompts::SaveFile(std::string_view filter, std::string_view initialName) {
    std::vector<std::string> answer = Next(QuestionKind::SaveFile, filter, initialName);
    if (answer.empty()) return std::nullopt;
    EnterFolderOf(answer.front());
    return answer.front();
}

std::optional<Prompts::SaveChoice> ScriptedPrompts::SaveFileOfType(std::string_view filter,
                                                                   std::string_view initialName) {
    const std::size_t picked = std::exchange(m_nPickedFilter, 0);
    std::optional<std::string> path = SaveFile(filter, initialName);
    if (!path) return std::nullopt;
    return SaveChoice{std::move(*path), picked};
}

std::optional<std::string> ScriptedPrompts::ChooseOutputFolder() {
    std::vector<std::string> answer = Next(QuestionKind::OutputFolder, {}, {});
    if (answer.empty()) return std::nullopt;
    return answer.front();
}

void ScriptedPrompts::ShowMessage(std::string_view text, MessageIcon icon) {
    m_messages.push_back({std::string(text), icon});
}

bool ScriptedPrompts::AskYesNo(std::string_view text) {
    m_yesNo.emplace_back(text);
    if (m_replies.empty()) return false;
    const bool yes = m_replies.front();
    m_replies.pop_front();
    return yes;
}

}  // namespace zandrel
