#include "VUR_Path_Remind.h"

#include "VUR_Json.h"
#include "VUR_RecordFile.h"

using namespace VurJson;

namespace {
cJSON* ReadList()
{
    QByteArray text;
    cJSON* root = VurRecordFile::Read(VUR_Path_Remind::FilePath(), &text) ? cJSON_Parse(text.constData()) : nullptr;
    if (!root || !cJSON_IsArray(Get(root, "remind"))) {
        cJSON_Delete(root);
        root = cJSON_CreateObject();
        cJSON_AddItemToObject(root, "remind", cJSON_CreateArray());
    }
    return root;
}
}  // namespace

QByteArray VUR_Path_Remind::AddToFile(const QString& host) const
{
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Num(o, "utc", double(utc));
    Num(o, "notification_utc", double(notification_utc));
    Num(o, "duration", double(duration));
    Str(o, "description", description);
    Str(o, "operator_id", operator_id);
    cJSON* root = ReadList();
    cJSON_AddItemToArray(Get(root, "remind"), cJSON_Duplicate(o, true));
    VurRecordFile::Write(FilePath(), Print(root));
    return Print(o);
}

QByteArray VUR_Path_Remind::RemoveFromFile(const QString& host, qint64 utc)
{
    cJSON* root = ReadList();
    cJSON* list = Get(root, "remind");
    for (int i = 0; i < cJSON_GetArraySize(list); ++i) {
        const cJSON* u = Get(cJSON_GetArrayItem(list, i), "utc");
        qint64 stamp = 0;
        if (u && Int64(u, &stamp) && stamp == utc) {
            cJSON_DeleteItemFromArray(list, i);
            break;
        }
    }
    VurRecordFile::Write(FilePath(), Print(root));
    cJSON* o = cJSON_CreateObject();
    Str(o, "device_id", Latin1(host));
    Num(o, "utc", double(utc));
    return Print(o);
}
