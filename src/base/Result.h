#pragma once

#include <optional>
#include <utility>
#include <variant>

#include <QString>

// Why an operation on a user's file failed, and what it tried: the one shape in which failures
// travel from the system call up to the message that tells the user. The message texts are built
// from it in one place (Messages::textOf).
struct Failure {
    // What went wrong, for callers that act on it; the reason says it in words.
    enum class Kind : unsigned char {
        Io, // the system refused or failed a call; the reason is its error text
        Missing, // nothing at the path, or nothing that counts as an ordinary file
        NotRegular, // something is there, but not a regular file
        Busy, // another Sondrel process held the file's lock for longer than the wait
        Changed, // the name no longer held the file that was read when its replacement was ready
        SameFile, // a copy or move onto the file itself
        Cancelled, // the caller's keepGoing said stop
        Unrecognized, // the bytes are not what the operation can work on
    };
    // What was attempted. The file functions say what they did; a caller that reports a failure
    // says what the user asked for (saving a playlist rather than writing a file).
    enum class Action : unsigned char {
        Open,
        Write,
        Replace,
        Rename,
        Copy,
        Move,
        CreateFolder,
        Tag, // a read or change of a file's tags
        SavePlaylist,
        LoadPlaylist,
        ReadFileList,
    };

    Kind kind = Kind::Io;
    Action action = Action::Open;
    // The system's words (or ours, for the kinds the system has none for); with a temporary file
    // that could not be removed after the failure named at its end.
    QString reason;
    // The file the action was on, and for a copy or move the file it went to.
    QString path;
    QString target;
    // The temporary file that could not be removed after the failure, which then holds the new
    // bytes or part of them; empty when none stayed behind.
    QString leftBehind;

    // The same failure, reported as action.
    Failure as(Action attempted) const
    {
        Failure failure = *this;
        failure.action = attempted;
        return failure;
    }
};

// Either a value or the Failure that kept the operation from giving one.
template <class T> class Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) { }
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) { }

    explicit operator bool() const { return m_state.index() == 0; }
    T& value() & { return std::get<0>(m_state); }
    const T& value() const& { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    const Failure& failure() const { return std::get<1>(m_state); }

private:
    std::variant<T, Failure> m_state;
};

// Success with nothing to give, or a Failure.
template <> class Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) { }

    explicit operator bool() const { return !m_failure; }
    const Failure& failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};
