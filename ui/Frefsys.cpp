// The reference-system chooser.
#include "Frefsys.h"
#include "ui_Frefsys.h"

#include "DialogSupport.h"
#include "Proj.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QSettings>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

/// The item's system id.
constexpr int ID_ROLE = Qt::UserRole;

/// Entries shown at most: the database holds thousands; typing narrows them.
constexpr std::size_t SHOWN_MAX = 400;

/// Where the systems used last are kept between runs: the one thing the
/// program keeps, under its own names rather than the window title that
/// app/main.cpp gives the application.
constexpr char SETTINGS_ORGANISATION[] = "Nolvex";
constexpr char SETTINGS_APPLICATION[] = "nolvex";
constexpr char RECENT_KEY[] = "ReferenceSystem/recent";

/// Characters of an area of use shown at most: some systems' areas name
/// every country of the world.
constexpr qsizetype AREA_SHOWN_MAX = 160;

QString Text(const std::string &text) { return QString::fromStdString(text); }

/// "EPSG:5186  Korea 2000 / Central Belt 2010  [Projected]"; the kind tells
/// apart the systems that share a name (WGS 84 is geographic 2D, geographic
/// 3D and geocentric).
QString EntryText(const CrsListEntry &entry) {
    return QStringLiteral("%1  %2%3  [%4]")
        .arg(Text(entry.id), Text(entry.name),
             entry.deprecated ? QStringLiteral(" (deprecated)") : QString(),
             Text(KindName(entry.kind)));
}

/// The list entry of a system made from its definition; the definition
/// itself is its id when PROJ gives it none (a PROJ string, a compound of
/// two codes in some versions).
CrsListEntry EntryOf(const ProjCrs &crs, const std::string &definition) {
    const CrsFacts &facts = crs.Facts();
    CrsListEntry entry;
    entry.id = facts.id.empty() ? definition : facts.id;
    entry.name = facts.name;
    entry.kind = facts.kind;
    entry.area = facts.area.name;
    return entry;
}

/// How well @p entry answers @p key (case-folded, not empty); lower first.
/// The code typed comes first, then names equal to what is typed, names that
/// begin with it, names that hold it, entries found by their area alone; a
/// deprecated system after every current one but the code typed.
/// The words of what is typed match independently ("korea 2010" finds
/// "Korea 2000 / Central Belt 2010"): every word in the name, after the
/// name that holds the text whole.
int Rank(const CrsListEntry &entry, const QString &key) {
    const QString id = Text(entry.id).toCaseFolded();
    const QString code = id.mid(id.indexOf(u':') + 1);
    const QString keyCode = key.mid(key.indexOf(u':') + 1);
    if (id == key || code == keyCode)
        return 0;
    const QString name = Text(entry.name).toCaseFolded();
    const QStringList words = key.split(u' ', Qt::SkipEmptyParts);
    const bool allWords =
        std::all_of(words.begin(), words.end(), [&name](const QString &word) {
            return name.contains(word);
        });
    const int rank = name == key            ? 1
                     : name.startsWith(key) ? 2
                     : name.contains(key)   ? 3
                     : allWords             ? 4
                                            : 5;
    return entry.deprecated ? rank + 5 : rank;
}

/// Entries that hold every word of @p key (case-folded) in their code, name
/// or area, found through the longest word; those of @p found left out.
std::vector<CrsListEntry> ByWords(const QString &key,
                                  const std::vector<CrsListEntry> &found) {
    const QStringList words = key.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2)
        return {};
    QString longest;
    for (const QString &word : words)
        if (word.size() > longest.size())
            longest = word;
    std::vector<CrsListEntry> out;
    for (CrsListEntry &entry : FindCrs(longest.toStdString())) {
        const QString text =
            (Text(entry.id) + u' ' + Text(entry.name) + u' ' + Text(entry.area))
                .toCaseFolded();
        if (!std::all_of(words.begin(), words.end(), [&text](const QString &w) {
                return text.contains(w);
            }))
            continue;
        if (std::any_of(found.begin(), found.end(),
                        [&entry](const auto &e) { return e.id == entry.id; }))
            continue;
        out.push_back(std::move(entry));
    }
    return out;
}

/// The entries for what is typed, best first. A definition that is not a
/// database entry of its own (a compound "EPSG:4326+5773", a PROJ string, an
/// OGC URN) is added at the head when PROJ can make a system of it.
std::vector<CrsListEntry> Found(const std::string &filter) {
    const QString key = Text(filter).toCaseFolded();
    std::vector<CrsListEntry> entries;
    {
        // Each entry ranked once: a short filter lets thousands through.
        std::vector<CrsListEntry> found = FindCrs(filter);
        std::vector<CrsListEntry> words = ByWords(key, found);
        found.insert(found.end(), std::make_move_iterator(words.begin()),
                     std::make_move_iterator(words.end()));
        std::vector<std::pair<int, std::size_t>> order;
        order.reserve(found.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            order.emplace_back(Rank(found[i], key), i);
        std::stable_sort(
            order.begin(), order.end(),
            [](const auto &a, const auto &b) { return a.first < b.first; });
        entries.reserve(found.size());
        for (const auto &[rank, i] : order)
            entries.push_back(std::move(found[i]));
    }
    const bool listed =
        std::any_of(entries.begin(), entries.end(), [&key](const auto &e) {
            return Text(e.id).toCaseFolded() == key;
        });
    if (listed || !LooksLikeProjDefinition(filter))
        return entries;
    try {
        const ProjCrs crs(filter);
        CrsListEntry typed = EntryOf(crs, filter);
        const auto same =
            std::find_if(entries.begin(), entries.end(),
                         [&typed](const auto &e) { return e.id == typed.id; });
        if (same != entries.end())
            std::rotate(entries.begin(), same, same + 1);
        else
            entries.insert(entries.begin(), std::move(typed));
    } catch (const ProjError &) {
        // Not a system (yet): what is typed is only a filter.
    }
    return entries;
}

/// Every entry, the systems used last first (those PROJ still knows, their
/// number in @p recentCount).
std::vector<CrsListEntry> AllRecentFirst(std::size_t &recentCount) {
    std::vector<CrsListEntry> entries = FindCrs({});
    std::vector<CrsListEntry> recent;
    for (const QString &id : TfrmRefSys::RecentSystems()) {
        const std::string text = id.toStdString();
        const auto at =
            std::find_if(entries.begin(), entries.end(),
                         [&text](const auto &e) { return e.id == text; });
        if (at != entries.end()) {
            recent.push_back(std::move(*at));
            entries.erase(at);
            continue;
        }
        try {
            recent.push_back(EntryOf(ProjCrs(text), text));
        } catch (const ProjError &) {
            // Gone from this PROJ's database: left out, kept in the settings.
        }
    }
    recentCount = recent.size();
    recent.insert(recent.end(), std::make_move_iterator(entries.begin()),
                  std::make_move_iterator(entries.end()));
    return recent;
}

/// @p area, cut at a word before AREA_SHOWN_MAX characters when longer.
QString ShortArea(const QString &area) {
    if (area.size() <= AREA_SHOWN_MAX)
        return area;
    qsizetype cut = area.lastIndexOf(u' ', AREA_SHOWN_MAX);
    if (cut <= 0)
        cut = AREA_SHOWN_MAX;
    QString text = area.left(cut);
    while (text.endsWith(u',') || text.endsWith(u' '))
        text.chop(1);
    return text + QStringLiteral(" …");
}

} // namespace

QString SystemDetails(const CrsFacts &facts) {
    QString text = Text(facts.Label()) + u'\n' + Text(KindName(facts.kind));
    if (facts.kind == CrsKind::Compound)
        text += QObject::tr(" (%1 and a vertical system)")
                    .arg(Text(KindName(facts.horizontal)));
    QStringList axes;
    for (const CrsAxis &axis : facts.axes)
        axes << QStringLiteral("%1 (%2, %3)")
                    .arg(Text(axis.name), Text(axis.abbreviation),
                         Text(axis.direction));
    text += QObject::tr("\nAxes: %1").arg(axes.join(QStringLiteral(", ")));
    text += QObject::tr("\nHeight: %1").arg(Text(facts.HeightText()));
    if (!facts.area.name.empty())
        text += QObject::tr("\nArea of use: %1")
                    .arg(ShortArea(Text(facts.area.name)));
    return text;
}

TfrmRefSys::TfrmRefSys(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmRefSys>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
    // Nothing here reads PROJ's database: the lists are filled by
    // ShowSystems, when the dialog is first shown.
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        w.filter->installEventFilter(this);
        w.list->installEventFilter(this);
        connect(w.filter, &QLineEdit::textChanged, this,
                [this, side] { Fill(side, ChosenSystem(side)); });
        // The other side's details give the operation to this side's
        // system: they follow its choice.
        connect(w.list, &QListWidget::currentRowChanged, this, [this, side] {
            Describe(side);
            Describe(3 - side);
        });
    }
}

TfrmRefSys::~TfrmRefSys() = default;

TfrmRefSys::SideWidgets TfrmRefSys::Widgets(int side) const {
    if (side == 1)
        return {ui->edtFilter1, ui->lstSystems1,  ui->lblDetails1,
                ui->lblFacts1,  ui->lblListHead1, ui->lblCurrent1};
    return {ui->edtFilter2, ui->lstSystems2,  ui->lblDetails2,
            ui->lblFacts2,  ui->lblListHead2, ui->lblCurrent2};
}

// The systems the filter lets through, keeping the selection when it stays.
void TfrmRefSys::Fill(int side, const std::string &keep) {
    const SideWidgets w = Widgets(side);
    const std::string filter = w.filter->text().trimmed().toStdString();
    std::size_t recentCount = 0;
    const std::vector<CrsListEntry> entries =
        filter.empty() ? AllRecentFirst(recentCount) : Found(filter);
    const QSignalBlocker block(w.list);
    w.list->clear();
    // The systems used last under their heading, the rest under theirs.
    w.head->setText(
        filter.empty()
            ? (recentCount > 0 ? tr("Used last:") : tr("All systems:"))
            : tr("Found (code, then names, then areas of use):"));
    for (std::size_t i = 0; i < entries.size() && i < SHOWN_MAX; ++i) {
        if (recentCount > 0 && i == recentCount) {
            auto *all = new QListWidgetItem(tr("All systems:"), w.list);
            all->setFlags(Qt::NoItemFlags);
        }
        auto *item = new QListWidgetItem(EntryText(entries[i]), w.list);
        item->setData(ID_ROLE, Text(entries[i].id));
        if (entries[i].id == keep)
            w.list->setCurrentItem(item);
    }
    if (entries.size() > SHOWN_MAX) {
        auto *more = new QListWidgetItem(
            tr("... %1 more: type to narrow").arg(entries.size() - SHOWN_MAX),
            w.list);
        more->setFlags(Qt::NoItemFlags);
    }
    // One system left: it is the one meant.
    if (entries.size() == 1)
        w.list->setCurrentRow(0);
    if (w.list->currentItem())
        w.list->scrollToItem(w.list->currentItem(),
                             QAbstractItemView::PositionAtCenter);
    Describe(side);
    Describe(3 - side);
}

void TfrmRefSys::Describe(int side) {
    const SideWidgets w = Widgets(side);
    const std::string id = ChosenSystem(side);
    w.details->clear();
    w.details->setToolTip({});
    w.facts->clear();
    w.facts->setToolTip({});
    if (id.empty())
        return;
    try {
        const ProjCrs crs(id);
        w.details->setText(SystemDetails(crs.Facts()));
        w.details->setToolTip(Text(crs.Facts().area.name));
        QStringList facts;
        for (const std::string &line : CrsFactLines(crs))
            facts << Text(line);
        // The operation to the other side, as PROJ would choose it first.
        const std::string other = OtherEnd(side);
        if (other.empty()) {
            facts << tr("To side %1: through WGS 84, standard Molodensky on "
                        "the catalogue side")
                         .arg(3 - side);
        } else {
            try {
                const ProjCrs to(other);
                ProjTransform::Options options;
                options.allowBallpark = true;
                const ProjTransform transform(crs, to, options);
                if (!transform.Candidates().empty())
                    facts << tr("To side %1: %2")
                                 .arg(3 - side)
                                 .arg(Text(
                                     transform.Candidates().front().Label()));
            } catch (const ProjError &e) {
                facts << tr("To side %1: %2")
                             .arg(3 - side)
                             .arg(QString::fromUtf8(e.what()));
            }
        }
        w.facts->setText(facts.join(u'\n'));
        w.facts->setToolTip(facts.join(u'\n'));
    } catch (const ProjError &e) {
        w.details->setText(QString::fromUtf8(e.what()));
    }
}

std::string TfrmRefSys::OtherEnd(int side) const {
    const int other = 3 - side;
    const std::string chosen = ChosenSystem(other);
    return chosen.empty() ? m_strCurrent[other - 1] : chosen;
}

void TfrmRefSys::ShowCurrent(int side, const QString &label,
                             const std::string &definition) {
    const SideWidgets w = Widgets(side);
    m_strCurrent[side - 1] = definition;
    const QString text = definition.empty()
                             ? tr("now %1 (catalogue)").arg(label)
                             : tr("now %1").arg(label);
    w.current->setText(w.current->fontMetrics().elidedText(text, Qt::ElideRight,
                                                           w.current->width()));
    w.current->setToolTip(text);
}

void TfrmRefSys::ShowSystems(const std::string &id1, const std::string &id2) {
    const std::string ids[] = {id1, id2};
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        const QSignalBlocker block(w.filter);
        w.filter->setText(Text(ids[side - 1]));
        Fill(side, ids[side - 1]);
    }
    ui->edtFilter1->setFocus();
}

std::string TfrmRefSys::ChosenSystem(int side) const {
    const QListWidgetItem *item = Widgets(side).list->currentItem();
    return item && item->isSelected()
               ? item->data(ID_ROLE).toString().toStdString()
               : std::string();
}

// Down in a filter goes into its list: to the system selected there, or
// else to the first entry. A list that Tab enters without a selection has
// no current entry either (the view would make its first entry current
// unseen), so that Down then selects the first entry rather than the second.
bool TfrmRefSys::eventFilter(QObject *watched, QEvent *event) {
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        if (watched == w.filter && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down) {
            const QListWidgetItem *current = w.list->currentItem();
            if (!(current && current->isSelected()) && w.list->count() > 0 &&
                (w.list->item(0)->flags() & Qt::ItemIsSelectable))
                w.list->setCurrentRow(0);
            w.list->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (watched == w.list && event->type() == QEvent::FocusIn) {
            // The list's own handling first, which does not pass the
            // filters again.
            static_cast<QObject *>(w.list)->event(event);
            const Qt::FocusReason reason =
                static_cast<QFocusEvent *>(event)->reason();
            const QListWidgetItem *current = w.list->currentItem();
            if ((reason == Qt::TabFocusReason ||
                 reason == Qt::BacktabFocusReason) &&
                !(current && current->isSelected()))
                w.list->setCurrentRow(-1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmRefSys::RememberSystem(const std::string &id) {
    QStringList recent = RecentSystems();
    const QString text = Text(id);
    recent.removeAll(text);
    recent.prepend(text);
    while (recent.size() > RECENT_MAX)
        recent.removeLast();
    QSettings settings(QString::fromLatin1(SETTINGS_ORGANISATION),
                       QString::fromLatin1(SETTINGS_APPLICATION));
    settings.setValue(QString::fromLatin1(RECENT_KEY), recent);
}

QStringList TfrmRefSys::RecentSystems() {
    const QSettings settings(QString::fromLatin1(SETTINGS_ORGANISATION),
                             QString::fromLatin1(SETTINGS_APPLICATION));
    QStringList recent =
        settings.value(QString::fromLatin1(RECENT_KEY)).toStringList();
    recent.removeAll(QString());
    return recent.mid(0, RECENT_MAX);
}
