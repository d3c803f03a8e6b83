#include "tree_removal.h"

#include "handle_ops.h"
#include "restart_holding.h"
#include "status_rules.h"
#include "../target_check/target_check.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

// The Win32 path of the entry being worked on (for notes and restart
// scheduling) and the platform's own name of it (what an entry opened from
// its folder must be called), grown and cut back together as the walk goes
// down and up: room for the longest path the platform handles and a name.
static const std::size_t path_room = 32768 + MAX_PATH;
static wchar_t walk_path[path_room];
static wchar_t walk_name[path_room];
static std::size_t path_length, name_length;

// One listing's worth of entries. A folder's listing is finished before the
// walk enters its subfolders, so one buffer serves every level.
static ULONG_PTR listing[65536 / sizeof(ULONG_PTR)];

// What is in use is retried in short steps, for this long per tree in all.
static const DWORD retry_budget_ms = 2000, retry_step_ms = 20;
static DWORD retry_left_ms;
// The volume the tree is on, for comparing listed ids with kept entries.
static DWORD tree_volume;

// What became of one listed entry, worst last.
enum fate { vanished, went, scheduled_for_restart, stayed };

static fate worse(fate a, fate b) {
    return a > b ? a : b;
}

// An entry as a listing showed it.
struct entry_record {
    DWORD attributes;
    ULONG reparse_tag;
    LONGLONG id;
    ULONG name_bytes;
    const wchar_t* name;
};

static void note(removal_tally& tally, const wchar_t* path, const wchar_t* why) {
    ++tally.noted;
    std::size_t used = std::wcslen(tally.notes);
    std::size_t room = sizeof tally.notes / sizeof tally.notes[0] - used;
    if (tally.noted > 20 || std::wcslen(path) + std::wcslen(why) + 8 >= room)
        return;
    const wchar_t* shown = std::wcsncmp(path, L"\\\\?\\", 4) == 0 ? path + 4 : path;
    wchar_t* at = tally.notes + used;
    std::wcscpy(at, L"    ");
    std::wcscat(at, shown);
    std::wcscat(at, L": ");
    std::wcscat(at, why);
    std::wcscat(at, L"\n");
}

// Counts an entry left in place and notes why.
static fate leave(removal_tally& tally, const wchar_t* path, const wchar_t* why) {
    ++tally.left;
    note(tally, path, why);
    return stayed;
}

// The same for the entry at walk_path, whose handle is given up.
static fate leave_closing(HANDLE handle, removal_tally& tally, const wchar_t* why) {
    NtClose(handle);
    return leave(tally, walk_path, why);
}

static fate leave_refused(removal_tally& tally, const wchar_t* path, const wchar_t* refusal) {
    static wchar_t why[96];
    std::wcscpy(why, L"refused: ");
    std::wcscat(why, refusal);
    return leave(tally, path, why);
}

static bool wait_to_retry() {
    if (retry_left_ms < retry_step_ms)
        return false;
    Sleep(retry_step_ms);
    retry_left_ms -= retry_step_ms;
    return true;
}

// Asks for the removal of the entry at walk_path, open as `handle`, at the
// next restart, when what is held open goes (restart_holding.h); counts
// and notes it. `movable`: the handle may delete it, and it is `entry` of
// `parent`.
static bool schedule(HANDLE handle, bool movable, HANDLE parent, const entry_record& entry,
                     removal_tally& tally, const wchar_t*& why) {
    if (!schedule_for_restart(handle, movable, parent, entry.name, entry.name_bytes, why))
        return false;
    ++tally.scheduled;
    note(tally, walk_path, L"in use, removed at the next restart");
    return true;
}

// The same for the entry `entry` of `parent`, which another program holds
// so that it cannot be opened for deletion: it is opened for its attributes
// alone, which no sharing refuses, and scheduled only when it is still the
// entry listed.
static bool schedule_held(HANDLE parent, const entry_record& entry, removal_tally& tally,
                          const wchar_t*& why) {
    HANDLE handle;
    if (open_child(parent, entry.name, entry.name_bytes, false, false, handle) != 0)
        return false;
    LONGLONG id = 0;
    bool scheduled = file_id(handle, id) == 0 && id == entry.id &&
                     opened_as_named(handle, walk_name, name_length, path_room) &&
                     schedule(handle, false, parent, entry, tally, why);
    NtClose(handle);
    return scheduled;
}

static bool is_kept(LONGLONG id, const file_identity& kept, bool known) {
    return known && kept.volume_serial == tree_volume &&
           ((static_cast<LONGLONG>(kept.index_high) << 32) | kept.index_low) == id;
}

// Adds a separator and `name` to both paths; false when there is no room.
static bool go_down(const wchar_t* name, std::size_t length) {
    if (path_length + 1 + length >= path_room || name_length + 1 + length >= path_room)
        return false;
    walk_path[path_length] = walk_name[name_length] = L'\\';
    std::wmemcpy(walk_path + path_length + 1, name, length);
    std::wmemcpy(walk_name + name_length + 1, name, length);
    path_length += 1 + length;
    name_length += 1 + length;
    walk_path[path_length] = walk_name[name_length] = L'\0';
    return true;
}

static void go_up(std::size_t saved_path_length, std::size_t saved_name_length) {
    path_length = saved_path_length;
    name_length = saved_name_length;
    walk_path[path_length] = walk_name[name_length] = L'\0';
}

// A buffer that grows as entries are added to it.
struct growing {
    char* bytes;
    std::size_t used, room;
};

static bool append(growing& buffer, const void* data, std::size_t size) {
    if (buffer.used + size > buffer.room) {
        std::size_t room = buffer.room != 0 ? 2 * buffer.room : 4096;
        while (room < buffer.used + size)
            room *= 2;
        char* bytes = static_cast<char*>(std::realloc(buffer.bytes, room));
        if (bytes == nullptr)
            return false;
        buffer.bytes = bytes;
        buffer.room = room;
    }
    std::memcpy(buffer.bytes + buffer.used, data, size);
    buffer.used += size;
    return true;
}

static int compare_ids(const void* a, const void* b) {
    LONGLONG x = *static_cast<const LONGLONG*>(a), y = *static_cast<const LONGLONG*>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

static bool is_dot_entry(const listed_file& entry) {
    return (entry.name_bytes == 2 && entry.name[0] == L'.') ||
           (entry.name_bytes == 4 && entry.name[0] == L'.' && entry.name[1] == L'.');
}

static fate remove_entry(HANDLE parent, const entry_record& entry, const kept_entries& keep,
                         removal_tally& tally, bool top);

// Removes what the folder open as `folder` holds, listing it again until a
// pass finds nothing new. Entries seen in an earlier pass are not taken
// again: they stayed, were scheduled, or are pending a deletion that ends
// when their last holder lets go.
static fate remove_contents(HANDLE folder, const kept_entries& keep, removal_tally& tally) {
    growing seen = {};
    fate worst = vanished;
    for (int pass = 0; pass < 64; ++pass) {
        std::size_t seen_before = seen.used / sizeof(LONGLONG);
        if (seen_before > 1)
            std::qsort(seen.bytes, seen_before, sizeof(LONGLONG), compare_ids);
        // Subfolders are entered once this pass's listing is done.
        growing subfolders = {};
        bool found_new = false;
        NTSTATUS status;
        for (bool restart = true;
             (status = list_folder(folder, listing, sizeof listing, restart)) == 0;
             restart = false) {
            const char* at = reinterpret_cast<const char*>(listing);
            for (;;) {
                const listed_file& entry = *reinterpret_cast<const listed_file*>(at);
                LONGLONG id = entry.file_id.QuadPart;
                bool known = pass > 0 && std::bsearch(&id, seen.bytes, seen_before, sizeof id,
                                                      compare_ids) != nullptr;
                if (!is_dot_entry(entry) && !known) {
                    found_new = true;
                    if (!append(seen, &id, sizeof id))
                        worst = leave(tally, walk_path, L"out of memory");
                    bool enter = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                 !is_link(entry.attributes, reparse_tag_of(entry));
                    entry_record record = {entry.attributes, reparse_tag_of(entry), id,
                                           entry.name_bytes, entry.name};
                    if (enter) {
                        record.name = nullptr;
                        if (!append(subfolders, &record, sizeof record) ||
                            !append(subfolders, entry.name, entry.name_bytes))
                            worst = leave(tally, walk_path, L"out of memory");
                    } else {
                        worst = worse(worst, remove_entry(folder, record, keep, tally, false));
                    }
                }
                if (entry.next_entry_offset == 0)
                    break;
                at += entry.next_entry_offset;
            }
        }
        for (std::size_t at = 0; at < subfolders.used;) {
            entry_record record;
            std::memcpy(&record, subfolders.bytes + at, sizeof record);
            at += sizeof record;
            record.name = reinterpret_cast<const wchar_t*>(subfolders.bytes + at);
            at += record.name_bytes;
            worst = worse(worst, remove_entry(folder, record, keep, tally, false));
        }
        std::free(subfolders.bytes);
        if (status != status_no_more_files) {
            worst = leave(tally, walk_path, L"cannot be listed");
            break;
        }
        if (!found_new)
            break;
    }
    std::free(seen.bytes);
    return worst;
}

// Whether the folder `entry` of `parent`, whose deletion was asked for and
// whose handle is closed, is really gone. Wine may take a folder's deletion
// and then fail to carry it out while an entry it held is still pending
// another holder's close; then `again` is the folder opened anew.
static bool folder_gone(HANDLE parent, const entry_record& entry, HANDLE& again, NTSTATUS& status) {
    status = open_child(parent, entry.name, entry.name_bytes, true, true, again);
    if (gone_already(status))
        return true;
    if (status != 0)
        return false;
    LONGLONG id = 0;
    if (file_id(again, id) == 0 && id != entry.id) {
        NtClose(again); // another folder of that name: this one went
        return true;
    }
    status = status_directory_not_empty;
    return false;
}

// Clears the read-only attribute in the way of the deletion of what
// `handle` opened, through a handle that may write attributes, kept in
// `writer` to put it back.
static bool clear_read_only(HANDLE handle, DWORD attributes, HANDLE& writer) {
    if (reopen_to_set_attributes(handle, writer) != 0)
        return false;
    if (set_attributes(writer, attributes & ~FILE_ATTRIBUTE_READONLY) == 0)
        return true;
    NtClose(writer);
    writer = nullptr;
    return false;
}

// Deletes what `handle` opened (a folder already emptied), retrying while
// it is in use; the handle is closed either way. `movable`: what is left in
// use may be moved aside to be scheduled.
static fate delete_opened(HANDLE handle, HANDLE parent, const entry_record& entry, DWORD attributes,
                          bool folder, bool link, fate contents, bool movable,
                          removal_tally& tally) {
    // A read-only attribute is cleared only when the deletion is refused for
    // it, and put back when the file stays under another name (counted
    // before the deletion is asked for); what stays keeps its attributes.
    HANDLE writer = nullptr;
    bool other_names = false;
    NTSTATUS status;
    fate result = stayed;
    for (;;) {
        while ((status = mark_for_deletion(handle)) != 0) {
            if (status == status_cannot_delete && (attributes & FILE_ATTRIBUTE_READONLY) &&
                writer == nullptr) {
                other_names = !folder && has_other_names(handle);
                if (clear_read_only(handle, attributes, writer))
                    continue;
            }
            if (!(in_use(status) || still_emptying(status)) || !wait_to_retry())
                break;
        }
        if (status != 0)
            break;
        if (writer != nullptr && other_names)
            set_attributes(writer, attributes);
        NtClose(handle);
        handle = nullptr;
        if (!folder || link || folder_gone(parent, entry, handle, status)) {
            ++(folder ? tally.folders_removed : tally.files_removed);
            result = went;
            break;
        }
        // Still there: `handle` is the folder opened anew, or, when it could
        // not be opened again, none.
        if (status != status_directory_not_empty)
            handle = nullptr;
        if (handle == nullptr || !wait_to_retry())
            break;
    }
    const wchar_t* why = nullptr;
    if (result != went && handle != nullptr) {
        if (writer != nullptr)
            set_attributes(writer, attributes);
        // Files before the folders that hold them: a folder is scheduled
        // after what it holds.
        if (!link && (in_use(status) || still_emptying(status)) && contents != stayed &&
            schedule(handle, movable, parent, entry, tally, why))
            result = scheduled_for_restart;
    }
    if (handle != nullptr)
        NtClose(handle);
    if (writer != nullptr)
        NtClose(writer);
    if (result != stayed)
        return result;
    if (link)
        return leave(tally, walk_path, L"link that cannot be removed; not followed");
    return leave(tally, walk_path, why != nullptr ? why : reason_for(status));
}

// The entry at walk_path, opened from `parent`'s handle and judged before
// anything is done with it.
static fate remove_named_entry(HANDLE parent, const entry_record& entry, const kept_entries& keep,
                               removal_tally& tally, bool top) {
    bool folder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool link = is_link(entry.attributes, entry.reparse_tag);
    bool enter = folder && !link;
    if (!folder && is_kept(entry.id, keep.program, keep.program_known))
        return leave(tally, walk_path, L"the uninstaller itself");
    if (!folder && is_kept(entry.id, keep.log, keep.log_known))
        return leave(tally, walk_path, L"the removal log");
    if (!folder && is_kept(entry.id, keep.claim, keep.claim_known))
        return leave(tally, walk_path, L"the removal log's claim");

    // The current directory is held open without delete sharing: it is
    // emptied, not deleted.
    bool current = enter && is_kept(entry.id, keep.current_directory, keep.current_directory_known);
    HANDLE handle;
    NTSTATUS status;
    while ((status = open_child(parent, entry.name, entry.name_bytes, enter, !current, handle)) !=
           0) {
        if (gone_already(status))
            return vanished;
        if (!in_use(status) || !wait_to_retry())
            break;
    }
    // A folder in use, or one whose deletion is refused, may still be
    // emptied; the one in use goes at the next restart.
    bool deletable = !current;
    NTSTATUS refused = 0;
    if (status != 0 && enter && (in_use(status) || status == status_access_denied) && deletable) {
        deletable = false;
        refused = status;
        status = open_child(parent, entry.name, entry.name_bytes, true, false, handle);
    }
    if (status != 0) {
        if (link)
            return leave(tally, walk_path, L"link that cannot be removed; not followed");
        const wchar_t* why = nullptr;
        if (!enter && in_use(status) && schedule_held(parent, entry, tally, why))
            return scheduled_for_restart;
        return leave(tally, walk_path, why != nullptr ? why : reason_for(status));
    }
    // Where the platform opens a link's target whatever it is asked, the
    // name of what was opened tells.
    if (!opened_as_named(handle, walk_name, name_length, path_room))
        return leave_closing(handle, tally,
                             link ? L"link that cannot be removed; not followed"
                                  : L"not the entry listed (a link or a swap); not followed");
    DWORD attributes = entry.attributes;
    // Wine names an entry by its path as it stood just after the open, so a
    // link swapped in and out again passes the name check: what is entered,
    // or deleted as a link, must also be the very entry listed.
    if (top || enter || link) {
        LONGLONG id = 0;
        ULONG reparse_tag = 0;
        if (attributes_and_id(handle, attributes, reparse_tag, id) != 0)
            return leave_closing(handle, tally, L"cannot be checked");
        if (top) {
            if (const wchar_t* refusal = opened_folder_refusal(handle, walk_path)) {
                NtClose(handle);
                return leave_refused(tally, walk_path, refusal);
            }
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return leave_closing(handle, tally, L"is no folder");
        }
        if (enter && is_link(attributes, reparse_tag)) {
            enter = false; // became a link: removed itself, never entered
            link = true;
        } else if ((enter || link) && id != entry.id) {
            return leave_closing(handle, tally, L"changed while being removed; not followed");
        }
    }
    fate contents = went;
    bool holds_named = false;
    if (enter) {
        unsigned named_before = scheduled_in_place();
        contents = remove_contents(handle, keep, tally);
        holds_named = scheduled_in_place() != named_before;
        if (current)
            return leave_closing(handle, tally, L"current directory");
        if (contents == stayed)
            return leave_closing(handle, tally, L"holds what is left");
        if (!deletable) {
            const wchar_t* why = nullptr;
            bool scheduled = in_use(refused) && schedule(handle, false, parent, entry, tally, why);
            NtClose(handle);
            if (scheduled)
                return scheduled_for_restart;
            return leave(tally, walk_path, why != nullptr ? why : reason_for(refused));
        }
    }
    return delete_opened(handle, parent, entry, attributes, folder, link, contents, !holds_named,
                         tally);
}

static fate remove_entry(HANDLE parent, const entry_record& entry, const kept_entries& keep,
                         removal_tally& tally, bool top) {
    std::size_t saved_path_length = path_length, saved_name_length = name_length;
    if (!go_down(entry.name, entry.name_bytes / sizeof(wchar_t)))
        return leave(tally, walk_path, L"holds names too deep to reach");
    fate result = remove_named_entry(parent, entry, keep, tally, top);
    go_up(saved_path_length, saved_name_length);
    return result;
}

// `path` made absolute from the current directory, behind \\?\ (or
// \\?\UNC\ for a share), into `out` of `size` characters. False when it
// does not fit.
static bool long_full_path(const wchar_t* path, wchar_t* out, DWORD size) {
    static wchar_t full[32768];
    DWORD length = GetFullPathNameW(path, 32768, full, nullptr);
    if (length == 0 || length >= 32768)
        return false;
    const wchar_t* prefix = L"\\\\?\\";
    const wchar_t* rest = full;
    if (std::wcsncmp(full, L"\\\\?\\", 4) == 0 || std::wcsncmp(full, L"\\\\.\\", 4) == 0) {
        rest = full + 4;
    } else if (std::wcsncmp(full, L"\\\\", 2) == 0) {
        prefix = L"\\\\?\\UNC\\";
        rest = full + 2;
    }
    if (std::wcslen(prefix) + std::wcslen(rest) + 1 > size)
        return false;
    std::wcscpy(out, prefix);
    std::wcscat(out, rest);
    std::size_t end = std::wcslen(out);
    while (end > 7 && out[end - 1] == L'\\')
        out[--end] = L'\0';
    return true;
}

// The tree's top, at walk_path, is taken like any entry: found in its
// folder's listing, opened from that folder's handle and judged, by the
// removal-target check too, before the walk starts from that very handle.
static void remove_top(const kept_entries& keep, removal_tally& tally) {
    static wchar_t top[path_room];
    std::wcscpy(top, walk_path);
    wchar_t* last = std::wcsrchr(walk_path, L'\\');
    if (last == nullptr || last[1] == L'\0' || std::wcslen(last + 1) > MAX_PATH) {
        leave(tally, top, L"cannot be resolved");
        return;
    }
    static wchar_t top_name[MAX_PATH + 1];
    std::wcscpy(top_name, last + 1);
    last[1] = L'\0'; // the folder that holds the top, with its separator
    HANDLE parent = CreateFileW(walk_path, FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    last[0] = L'\0';
    path_length = std::wcslen(walk_path);
    file_identity parent_identity;
    if (parent == INVALID_HANDLE_VALUE || !identity_of_handle(parent, parent_identity) ||
        !platform_name(parent, walk_name, path_room, name_length)) {
        if (parent != INVALID_HANDLE_VALUE)
            CloseHandle(parent);
        leave(tally, top, L"cannot be opened");
        return;
    }
    tree_volume = parent_identity.volume_serial;
    // A root's name ends in its separator; the walk adds its own.
    if (name_length > 0 && walk_name[name_length - 1] == L'\\')
        walk_name[--name_length] = L'\0';
    NTSTATUS status = list_one(parent, top_name, listing, sizeof listing);
    if (status == 0) {
        // The walk lists into the same buffer: the top's name is kept apart.
        const listed_file& listed = *reinterpret_cast<const listed_file*>(listing);
        ULONG name_bytes = listed.name_bytes < sizeof top_name ? listed.name_bytes : 0;
        std::memcpy(top_name, listed.name, name_bytes);
        entry_record entry = {listed.attributes, reparse_tag_of(listed), listed.file_id.QuadPart,
                              name_bytes, top_name};
        remove_entry(parent, entry, keep, tally, true);
    } else if (status != status_no_more_files && !gone_already(status)) {
        leave(tally, top, L"cannot be listed");
    }
    CloseHandle(parent);
}

void remove_file_tree(const wchar_t* tree, const kept_entries& keep, removal_tally& tally) {
    retry_left_ms = retry_budget_ms;
    if (const wchar_t* refusal = removal_target_refusal(tree)) {
        leave_refused(tally, tree[0] != L'\0' ? tree : L"(empty name)", refusal);
        return;
    }
    static wchar_t full[path_room];
    if (!long_full_path(tree, full, 32768)) {
        leave(tally, L"(name too long)", L"cannot be resolved");
        return;
    }
    // Long names throughout, so that the top is found in its folder's
    // listing by the name the listing gives it.
    DWORD length = GetLongPathNameW(full, walk_path, path_room);
    if (length == 0 || length >= path_room) {
        DWORD error = GetLastError();
        if (length == 0 && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
            return; // a tree that is not there is already gone
        leave(tally, full, L"cannot be resolved");
        return;
    }
    begin_holding(walk_path);
    remove_top(keep, tally);
    end_holding();
}
