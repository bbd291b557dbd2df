#include "ui/SelectMismatched.h"

#include <QTreeView>

#include "base/Messages.h"
#include "playlist/Mismatch.h"
#include "playlist/PlaylistModel.h"
#include "ui/WindowGuards.h"

void selectMismatchedRows(PlaylistModel& model, QTreeView& list)
{
    std::vector<qsizetype> mismatched;
    {
        const BusyPointer busy;
        const FrozenPainting frozen(&list);
        mismatched = Mismatch::selectMismatchedRows(model);
    }
    if (mismatched.empty()) {
        Messages::inform(QStringLiteral("Every row's file name, title and tag agree."));
        return;
    }
    const QModelIndex first = model.index(int(mismatched.front()), 0);
    list.selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    list.scrollTo(first);
}
