#pragma once
// Ends ROI editing: the cameras whose edit set differs from the live set in
// what is stored are saved together after one question, each change goes
// to the operation log, the edit sets become live and the engines retrain
// where areas or templates changed.
class ViewHost;

namespace EditSaver {

// templatesChanged: per camera, templates were changed in the editor (the
// flags are consumed). False when a save was wanted and the database refused
// it: the operator was told and the edit sets are kept.
bool Save(ViewHost& host, bool (&templatesChanged)[8]);

}  // namespace EditSaver
