#pragma once

#include <algorithm>

#include "playlist/PlaylistModel.h"

// Gathers the rows of the entries a pass over files changed, and reports their tag columns to the
// views in one change, from the first row to the last, when it goes out of scope. Entries no
// longer in the model are not counted; with none, nothing is reported.
class ChangedRows {
public:
    explicit ChangedRows(PlaylistModel& model) : m_model(model), m_first(model.size()) { }
    ~ChangedRows() { m_model.tagColumnsChanged(m_first, m_last); }
    ChangedRows(const ChangedRows&) = delete;
    ChangedRows& operator=(const ChangedRows&) = delete;

    void add(const MP3Node& entry)
    {
        if (const qsizetype position = m_model.positionOf(entry.item()); position >= 0) {
            m_first = std::min(m_first, position);
            m_last = std::max(m_last, position);
        }
    }

private:
    PlaylistModel& m_model;
    qsizetype m_first;
    qsizetype m_last = -1;
};
