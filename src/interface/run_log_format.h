// The run log's line formats and labels (BackupData.txt, the record the line keeps of
// every call), defined once for the library that writes them and the desk tool that
// reads them back.
//
// Everything here is a macro that expands to a string literal, so that a line is one
// printf format checked against its arguments, and a literal takes the execution
// character set of the file that uses it: the writer's files (src/report/run_log*.cpp)
// are compiled with a GBK execution character set and write GBK bytes, every other
// file sees the same text as UTF-8 and converts it where it needs GBK. A table of
// C++ constants here would hold different bytes in those two kinds of files (one
// inline variable defined twice), so the tables that list these entries live in the
// files that use them. A compiler that does not convert literals (the fuzz build's)
// writes UTF-8 labels, which the reader reads as well.
//
// Formats carry no line end: the writer adds the line ends (and the empty lines
// between sections) around them, the reader matches one line at a time.
#pragma once

// ---- Labels ----
//
// Each label of the record with what it means in English (the workspace name for a
// setting or a statistic), listed by SAWLINE_RUN_LOG_LABELS for the desk tool's
// annotated view of a record. The formats below are made of these labels.

#define SAWLINE_LABEL_Record "数据保存"
#define SAWLINE_LABEL_SystemSettings "系统参数"
#define SAWLINE_LABEL_WasteGateSelect "废料门选择"
#define SAWLINE_LABEL_WasteMarkCount "废料划线标记数"
#define SAWLINE_LABEL_TailUnmarkedLength "末尾未划线长度"
#define SAWLINE_LABEL_GradeMarkLength "等级划线长度"
#define SAWLINE_LABEL_GradeAMinLength "A等级最小长度"
#define SAWLINE_LABEL_UnmarkedGrade "未划线等级"
#define SAWLINE_LABEL_KerfWidth "锯口宽度"
#define SAWLINE_LABEL_FluorescentLineWidth "荧光线宽度"
#define SAWLINE_LABEL_FrontMarkingMode "是否前端划线方式"
#define SAWLINE_LABEL_TopWasteSideGradeLines "是否上端划废料线、侧面画等级线"
#define SAWLINE_LABEL_SeparateAdjacentSameGrade "相邻同等级分开处理"
#define SAWLINE_LABEL_OptimizationSettings "优化算法参数"
#define SAWLINE_LABEL_RemnantCentering "余料对中"
#define SAWLINE_LABEL_OptimizeTimeLimit "算法优化时间"
#define SAWLINE_LABEL_ModeNote "优化方式注"
#define SAWLINE_LABEL_OptimizeMode "优化方式"
#define SAWLINE_LABEL_DowngradeSection "优先降级降级处理后木材信息"
#define SAWLINE_LABEL_PriorityDowngrade "优先降级"
#define SAWLINE_LABEL_ModeLength "长度、加权优化"
#define SAWLINE_LABEL_ValueStatistics "价值优化结果统计"
#define SAWLINE_LABEL_NoValues "非价值优化，不统计"
#define SAWLINE_LABEL_ModeValue "价值优化"
#define SAWLINE_LABEL_ModeQuantity "数量优化"
#define SAWLINE_LABEL_ModeLongStock "长料锯切"
#define SAWLINE_LABEL_ModeDefectSawing "缺陷锯切"
#define SAWLINE_LABEL_WasteMaxAndKicker "废料最大长度及踢腿"
#define SAWLINE_LABEL_FixedList "定长清单"
#define SAWLINE_LABEL_VariableList "不定长清单"
#define SAWLINE_LABEL_UncutList "固定不锯切清单"
#define SAWLINE_LABEL_EntryNumber "第"
#define SAWLINE_LABEL_EntryOf "，共"
#define SAWLINE_LABEL_HeadTailCuts "截头截尾"
#define SAWLINE_LABEL_BoardMarks "输入木材信息"
#define SAWLINE_LABEL_Count "共"
#define SAWLINE_LABEL_Rows "段"
#define SAWLINE_LABEL_TopFace "上端划线"
#define SAWLINE_LABEL_SideFace "侧端划线"
#define SAWLINE_LABEL_Grade "等级"
#define SAWLINE_LABEL_Length "长度"
#define SAWLINE_LABEL_ConvertedSegments "转化后木材信息"
#define SAWLINE_LABEL_BoardLength "木材总长"
#define SAWLINE_LABEL_TrimRecord "去头去尾情况"
#define SAWLINE_LABEL_HeadTrim "去头"
#define SAWLINE_LABEL_TailTrim "去尾"
#define SAWLINE_LABEL_TrimmedSegments "木材信息去头去尾及考虑荧光线宽度"
#define SAWLINE_LABEL_NeighbourFlag "降级标识"
#define SAWLINE_LABEL_CutList "优化结果中废料段处理(加去头去尾)"
#define SAWLINE_LABEL_PieceStatistics "优化结果统计"
#define SAWLINE_LABEL_Plan "优化结果"
#define SAWLINE_LABEL_PieceLength "长"
#define SAWLINE_LABEL_PieceCount "跟"
#define SAWLINE_LABEL_ControllerRecords "往Simotion传送数据"
#define SAWLINE_LABEL_Statistics "统计量"
#define SAWLINE_LABEL_OrderCounts "此根木板材的完成数统计"
#define SAWLINE_LABEL_BoardStatistics "优化木板材统计"
#define SAWLINE_LABEL_StatisticsBoardLength "总长"
#define SAWLINE_LABEL_TotalUsefulLength "总有用长度"
#define SAWLINE_LABEL_GradeUsefulLength "1-8等级有用长度"
#define SAWLINE_LABEL_GradeTotalLength "1-8等级总长"
#define SAWLINE_LABEL_GradeSpecLength "1-8等级规格长"
#define SAWLINE_LABEL_GradeVarLength "1-8等级不定长长"
#define SAWLINE_LABEL_GradeUncutLength "1-8等级固定不锯切长"
#define SAWLINE_LABEL_TotalValue "总价值"
#define SAWLINE_LABEL_GradeValue "1-8等级价值"
#define SAWLINE_LABEL_GradeFixedValue "1-8等级定长价值"
#define SAWLINE_LABEL_GradeVarValue "1-8等级不定长价值"

// X(label, english) for every label above. Where one label starts another's text at
// the same place, the annotated view takes the longer one; labels of equal length
// keep this order.
#define SAWLINE_RUN_LOG_LABELS(X)                                                    \
  X(SAWLINE_LABEL_Record, "record of one call")                                      \
  X(SAWLINE_LABEL_SystemSettings, "system settings")                                 \
  X(SAWLINE_LABEL_WasteGateSelect, "WasteGateSelect")                                \
  X(SAWLINE_LABEL_WasteMarkCount, "WasteMarkCount")                                  \
  X(SAWLINE_LABEL_TailUnmarkedLength, "TailUnmarkedLength")                          \
  X(SAWLINE_LABEL_GradeMarkLength, "GradeMarkLength")                                \
  X(SAWLINE_LABEL_GradeAMinLength, "GradeAMinLength")                                \
  X(SAWLINE_LABEL_UnmarkedGrade, "UnmarkedGrade")                                    \
  X(SAWLINE_LABEL_KerfWidth, "KerfWidth")                                            \
  X(SAWLINE_LABEL_FluorescentLineWidth, "FluorescentLineWidth")                      \
  X(SAWLINE_LABEL_FrontMarkingMode, "FrontMarkingMode")                              \
  X(SAWLINE_LABEL_TopWasteSideGradeLines, "TopWasteSideGradeLines")                  \
  X(SAWLINE_LABEL_SeparateAdjacentSameGrade, "SeparateAdjacentSameGrade")            \
  X(SAWLINE_LABEL_OptimizationSettings, "optimization settings")                     \
  X(SAWLINE_LABEL_RemnantCentering, "RemnantCentering")                              \
  X(SAWLINE_LABEL_OptimizeTimeLimit, "OptimizeTimeLimit per segment")                \
  X(SAWLINE_LABEL_ModeNote, "modes")                                                 \
  X(SAWLINE_LABEL_OptimizeMode, "OptimizeMode")                                      \
  X(SAWLINE_LABEL_DowngradeSection, "segments after the downgrade pass")             \
  X(SAWLINE_LABEL_PriorityDowngrade, "PriorityDowngrade")                            \
  X(SAWLINE_LABEL_ModeLength, "length or weighted")                                  \
  X(SAWLINE_LABEL_ValueStatistics, "value statistics")                               \
  X(SAWLINE_LABEL_NoValues, "not value optimization: no values")                     \
  X(SAWLINE_LABEL_ModeValue, "value")                                                \
  X(SAWLINE_LABEL_ModeQuantity, "quantity")                                          \
  X(SAWLINE_LABEL_ModeLongStock, "long stock")                                       \
  X(SAWLINE_LABEL_ModeDefectSawing, "defect sawing")                                 \
  X(SAWLINE_LABEL_WasteMaxAndKicker, "WasteMaxLength and WasteKickerCode")           \
  X(SAWLINE_LABEL_FixedList, "fixed-length list")                                    \
  X(SAWLINE_LABEL_VariableList, "variable-length list")                              \
  X(SAWLINE_LABEL_UncutList, "uncut list")                                           \
  X(SAWLINE_LABEL_EntryNumber, "entry")                                              \
  X(SAWLINE_LABEL_EntryOf, "of")                                                     \
  X(SAWLINE_LABEL_HeadTailCuts, "head and tail cuts")                                \
  X(SAWLINE_LABEL_BoardMarks, "board marks, FirstHalfCount")                         \
  X(SAWLINE_LABEL_Count, "count")                                                    \
  X(SAWLINE_LABEL_Rows, "rows")                                                      \
  X(SAWLINE_LABEL_TopFace, "top face")                                               \
  X(SAWLINE_LABEL_SideFace, "side face")                                             \
  X(SAWLINE_LABEL_Grade, "grade")                                                    \
  X(SAWLINE_LABEL_Length, "length")                                                  \
  X(SAWLINE_LABEL_ConvertedSegments, "converted segments")                           \
  X(SAWLINE_LABEL_BoardLength, "BoardLength")                                        \
  X(SAWLINE_LABEL_TrimRecord, "trim record")                                         \
  X(SAWLINE_LABEL_HeadTrim, "head trimmed, cut")                                     \
  X(SAWLINE_LABEL_TailTrim, "tail trimmed, cut")                                     \
  X(SAWLINE_LABEL_TrimmedSegments, "segments after trimming and marking-line width") \
  X(SAWLINE_LABEL_NeighbourFlag, "NeighbourFlag")                                    \
  X(SAWLINE_LABEL_CutList, "cut list, waste handled, head and tail added")           \
  X(SAWLINE_LABEL_PieceStatistics, "piece statistics")                               \
  X(SAWLINE_LABEL_Plan, "plan")                                                      \
  X(SAWLINE_LABEL_PieceLength, "long")                                               \
  X(SAWLINE_LABEL_PieceCount, "pieces")                                              \
  X(SAWLINE_LABEL_ControllerRecords, "controller records")                           \
  X(SAWLINE_LABEL_Statistics, "statistics")                                          \
  X(SAWLINE_LABEL_OrderCounts, "pieces per fixed-length order row: (row)pieces")     \
  X(SAWLINE_LABEL_BoardStatistics, "board statistics")                               \
  X(SAWLINE_LABEL_StatisticsBoardLength, "BoardLength")                              \
  X(SAWLINE_LABEL_TotalUsefulLength, "TotalUsefulLength")                            \
  X(SAWLINE_LABEL_GradeUsefulLength, "GradeUsefulLength")                            \
  X(SAWLINE_LABEL_GradeTotalLength, "GradeTotalLength")                              \
  X(SAWLINE_LABEL_GradeSpecLength, "GradeSpecLength")                                \
  X(SAWLINE_LABEL_GradeVarLength, "GradeVarLength")                                  \
  X(SAWLINE_LABEL_GradeUncutLength, "GradeUncutLength")                              \
  X(SAWLINE_LABEL_TotalValue, "TotalValue")                                          \
  X(SAWLINE_LABEL_GradeValue, "GradeValue")                                          \
  X(SAWLINE_LABEL_GradeFixedValue, "GradeFixedValue")                                \
  X(SAWLINE_LABEL_GradeVarValue, "GradeVarValue")

// ---- Line formats ----
//
// SAWLINE_LOG_<Kind> is the format of one kind of line, in the order the record
// lists them; the numbers each line carries are named above it.

#define SAWLINE_LOG_RULE_34 "##################################"
#define SAWLINE_LOG_RULE_36 "####################################"
#define SAWLINE_LOG_RULE_37 "#####################################"

#define SAWLINE_LOG_Blank ""
#define SAWLINE_LOG_Header SAWLINE_LOG_RULE_34 "  " SAWLINE_LABEL_Record "  " SAWLINE_LOG_RULE_34
#define SAWLINE_LOG_SystemHeading SAWLINE_LABEL_SystemSettings "："
// WasteGateSelect, WasteMarkCount
#define SAWLINE_LOG_GateAndMarkCount \
  "    " SAWLINE_LABEL_WasteGateSelect "：%d              " SAWLINE_LABEL_WasteMarkCount "：%d"
// TailUnmarkedLength, GradeMarkLength
#define SAWLINE_LOG_TailAndGradeMark \
  "    " SAWLINE_LABEL_TailUnmarkedLength "：%d         " SAWLINE_LABEL_GradeMarkLength "：%d"
// GradeAMinLength, UnmarkedGrade
#define SAWLINE_LOG_GradeAAndUnmarked \
  "    " SAWLINE_LABEL_GradeAMinLength "：%d          " SAWLINE_LABEL_UnmarkedGrade "：%d"
// KerfWidth (one decimal), FluorescentLineWidth
#define SAWLINE_LOG_KerfAndLineWidth \
  "    " SAWLINE_LABEL_KerfWidth "：%.1f              " SAWLINE_LABEL_FluorescentLineWidth "：%d"
// FrontMarkingMode, TopWasteSideGradeLines
#define SAWLINE_LOG_FrontAndTwoFace \
  "    " SAWLINE_LABEL_FrontMarkingMode "：%d        " SAWLINE_LABEL_TopWasteSideGradeLines "：%d"
// SeparateAdjacentSameGrade
#define SAWLINE_LOG_Separate "    " SAWLINE_LABEL_SeparateAdjacentSameGrade "：%d"
#define SAWLINE_LOG_OptimizationHeading SAWLINE_LABEL_OptimizationSettings "："
// RemnantCentering, OptimizeTimeLimit (the limit of one search, two decimals)
#define SAWLINE_LOG_CenteringAndLimit                                                          \
  "    " SAWLINE_LABEL_RemnantCentering "：%d                " SAWLINE_LABEL_OptimizeTimeLimit \
  "：%.2fs"
// OptimizeMode, PriorityDowngrade
#define SAWLINE_LOG_ModeAndDowngrade \
  "    " SAWLINE_LABEL_OptimizeMode "：%d                " SAWLINE_LABEL_PriorityDowngrade "：%d"
#define SAWLINE_LOG_ModeNote                                                                   \
  "    " SAWLINE_LABEL_ModeNote "：0-" SAWLINE_LABEL_ModeLength "  1-" SAWLINE_LABEL_ModeValue \
  "  2-" SAWLINE_LABEL_ModeQuantity "  3-" SAWLINE_LABEL_ModeLongStock                         \
  "  4-" SAWLINE_LABEL_ModeDefectSawing
// WasteMaxLength, WasteKickerCode
#define SAWLINE_LOG_WasteMaxAndKicker "    " SAWLINE_LABEL_WasteMaxAndKicker "：%d    %ld"

// The order lists' entries start with the grade, the entry's number within its grade
// and the grade's count.
#define SAWLINE_LOG_LIST_ENTRY \
  "    %d Grade(" SAWLINE_LABEL_EntryNumber "%d个" SAWLINE_LABEL_EntryOf "%d个):  "
#define SAWLINE_LOG_FixedHeading SAWLINE_LABEL_FixedList "："
// ... length, weight, start weight (three decimals each), quantity, done, code
#define SAWLINE_LOG_FixedEntry SAWLINE_LOG_LIST_ENTRY "%d    %.3f    %.3f    %ld    %ld    %ld"
#define SAWLINE_LOG_VariableHeading SAWLINE_LABEL_VariableList "："
// ... min length, max length, weight (three decimals), code
#define SAWLINE_LOG_VariableEntry SAWLINE_LOG_LIST_ENTRY "%d    %d    %.3f    %ld"
#define SAWLINE_LOG_UncutHeading SAWLINE_LABEL_UncutList "："
// ... min length, max length, code
#define SAWLINE_LOG_UncutEntry SAWLINE_LOG_LIST_ENTRY "%d    %d    %ld"
#define SAWLINE_LOG_TrimHeading SAWLINE_LABEL_HeadTailCuts "："
// grade, grade, CT of the grade, grade, CB of the grade
#define SAWLINE_LOG_TrimEntry "    %d Grade:CT[%d]=%d    CB[%d]=%d"

// FirstHalfCount as the conversion left it
#define SAWLINE_LOG_MarksHeading \
  SAWLINE_LABEL_BoardMarks "：" SAWLINE_LABEL_Count " %d " SAWLINE_LABEL_Rows
// grade, length (of one segment, or of a grade/length mark: the grade truncated)
#define SAWLINE_LOG_Segment "    " SAWLINE_LABEL_Grade "：%d        " SAWLINE_LABEL_Length "：%.1f"
#define SAWLINE_LOG_MarkPair SAWLINE_LOG_Segment
// top face's interval, side face's interval
#define SAWLINE_LOG_MarkLines \
  "    " SAWLINE_LABEL_TopFace "：%.1f        " SAWLINE_LABEL_SideFace "：%.1f"
// ConvertedCount
#define SAWLINE_LOG_ConvertedHeading \
  SAWLINE_LABEL_ConvertedSegments "：" SAWLINE_LABEL_Count " %d " SAWLINE_LABEL_Rows
// BoardLength
#define SAWLINE_LOG_BoardLength SAWLINE_LABEL_BoardLength "：%.1f"
#define SAWLINE_LOG_TrimHeadingRecord SAWLINE_LABEL_TrimRecord "："
// head trimmed, head cut, tail trimmed, tail cut
#define SAWLINE_LOG_TrimRecord \
  "    " SAWLINE_LABEL_HeadTrim "：%d,  %d        " SAWLINE_LABEL_TailTrim "：%d,  %d"
// ConvertedCount again (the segments after trimming follow)
#define SAWLINE_LOG_TrimmedHeading \
  SAWLINE_LABEL_TrimmedSegments "：" SAWLINE_LABEL_Count " %d " SAWLINE_LABEL_Rows

// Why the library refused the board; free text follows. The refusals it writes:
#define SAWLINE_LOG_Refusal "Board refused: "
// a setting's name, its value, its range
#define SAWLINE_LOG_REFUSED_SETTING SAWLINE_LOG_Refusal "%s %.10g is outside %.10g to %.10g"
// a mark's grade, the mark's index, the range
#define SAWLINE_LOG_REFUSED_MARK_GRADE \
  SAWLINE_LOG_Refusal "grade %.10g of mark %d is outside %.10g to %.10g"
// one of the reasons below
#define SAWLINE_LOG_REFUSED_REASON SAWLINE_LOG_Refusal "%s"
#define SAWLINE_LOG_REASON_NON_FINITE "a value it uses is not a finite number"
#define SAWLINE_LOG_REASON_NEGATIVE_KERF "the kerf width is negative"
#define SAWLINE_LOG_REASON_NEGATIVE_MARK "a board mark length is negative"
#define SAWLINE_LOG_REASON_KERF_TOO_WIDE "the kerf width is as long as the board or longer"
#define SAWLINE_LOG_REASON_OTHER "its inputs cannot be planned"

#define SAWLINE_LOG_DowngradeHeading SAWLINE_LABEL_DowngradeSection "："
// grade, length, NeighbourFlag
#define SAWLINE_LOG_DowngradeRow                               \
  "    " SAWLINE_LABEL_Grade "：%d      " SAWLINE_LABEL_Length \
  "：%.1f      " SAWLINE_LABEL_NeighbourFlag "：%d"

// RemnantCentering
#define SAWLINE_LOG_PlanHeading SAWLINE_LABEL_Plan "(" SAWLINE_LABEL_RemnantCentering "=%d)："
// the segment's grade and length, then SAWLINE_LOG_PLAN_ENTRY for each of its entries
#define SAWLINE_LOG_PlanRow "  (%2d,%6.1f): "
// gradeCode, length, count, tag
#define SAWLINE_LOG_PLAN_ENTRY                                                                \
  "%2d" SAWLINE_LABEL_Grade "%6.1f" SAWLINE_LABEL_PieceLength "(%2d" SAWLINE_LABEL_PieceCount \
  ",%7ld)    "
// PieceCount
#define SAWLINE_LOG_CutListHeading \
  SAWLINE_LABEL_CutList "：" SAWLINE_LABEL_Count "%d" SAWLINE_LABEL_Rows
// gradeCode, length, tag
#define SAWLINE_LOG_Piece "    %2d    %6.1f    %ld"
// PieceCount
#define SAWLINE_LOG_TransferHeading \
  SAWLINE_LABEL_ControllerRecords "：" SAWLINE_LABEL_Count "%d" SAWLINE_LABEL_Rows
// feed length, the four code fields
#define SAWLINE_LOG_Transfer "    %6.1f    %2d  %2d  %2d  %2d"

#define SAWLINE_LOG_StatisticsHeading SAWLINE_LABEL_Statistics "："
#define SAWLINE_LOG_CountsHeading SAWLINE_LABEL_OrderCounts "："
// only SAWLINE_LOG_COUNT_GROUP for each fixed-length order row that got pieces
#define SAWLINE_LOG_Counts ""
// the host row, its pieces
#define SAWLINE_LOG_COUNT_GROUP "(%d)%d  "
// BoardLength
#define SAWLINE_LOG_BoardStatisticsHeading \
  SAWLINE_LABEL_BoardStatistics "(" SAWLINE_LABEL_StatisticsBoardLength "=%.1f)："
// TotalUsefulLength
#define SAWLINE_LOG_UsefulTotal "    " SAWLINE_LABEL_TotalUsefulLength "=%.1f"
// The lines "by grade" are followed by one group for each grade 1 to 8: the grade and
// its value, lengths to one decimal and values to three.
#define SAWLINE_LOG_LENGTH_GROUP "(%d)%.1f  "
#define SAWLINE_LOG_VALUE_GROUP "(%d)%.3f  "
#define SAWLINE_LOG_UsefulByGrade "        " SAWLINE_LABEL_GradeUsefulLength ":"
#define SAWLINE_LOG_PieceStatisticsHeading SAWLINE_LABEL_PieceStatistics "："
#define SAWLINE_LOG_TotalByGrade "    " SAWLINE_LABEL_GradeTotalLength ":"
#define SAWLINE_LOG_FixedLengthByGrade "    " SAWLINE_LABEL_GradeSpecLength ":"
#define SAWLINE_LOG_VariableByGrade "    " SAWLINE_LABEL_GradeVarLength ":"
#define SAWLINE_LOG_UncutByGrade "    " SAWLINE_LABEL_GradeUncutLength ":"
#define SAWLINE_LOG_ValueHeading SAWLINE_LABEL_ValueStatistics "："
#define SAWLINE_LOG_NoValues "    " SAWLINE_LABEL_NoValues "!"
// TotalValue
#define SAWLINE_LOG_TotalValue "    " SAWLINE_LABEL_TotalValue "=%.3f"
#define SAWLINE_LOG_ValueByGrade "        " SAWLINE_LABEL_GradeValue "："
#define SAWLINE_LOG_FixedValueByGrade "        " SAWLINE_LABEL_GradeFixedValue "："
#define SAWLINE_LOG_VariableValueByGrade "        " SAWLINE_LABEL_GradeVarValue "："

#define SAWLINE_LOG_Rule \
  "--------------------------------------------------------------------------------"
// the call's elapsed seconds
#define SAWLINE_LOG_Elapsed "Sum Optimizing Time is: %fs"
// year, month, day, hour, minute, second: the local time at the end of the call
#define SAWLINE_LOG_NowTime "Now Time: %4dY/%dM/%02dD  %d:%02d:%02d"
#define SAWLINE_LOG_End SAWLINE_LOG_RULE_36 "  End  " SAWLINE_LOG_RULE_37

// X(Kind, name, Repeat) for every kind of line, in the order the record lists them:
// SAWLINE_LOG_<Kind> is its format, `name` says what it is in messages, and Repeat
// what follows the format on the line:
//   None         nothing
//   LengthGroups SAWLINE_LOG_LENGTH_GROUP for grades 1 to 8
//   ValueGroups  SAWLINE_LOG_VALUE_GROUP for grades 1 to 8
//   CountGroups  SAWLINE_LOG_COUNT_GROUP any number of times
//   PlanEntries  SAWLINE_LOG_PLAN_ENTRY any number of times
//   Text         free text
#define SAWLINE_RUN_LOG_LINES(X)                                                 \
  X(Blank, "empty line", None)                                                   \
  X(Header, "record header", None)                                               \
  X(SystemHeading, "system settings heading", None)                              \
  X(GateAndMarkCount, "WasteGateSelect and WasteMarkCount", None)                \
  X(TailAndGradeMark, "TailUnmarkedLength and GradeMarkLength", None)            \
  X(GradeAAndUnmarked, "GradeAMinLength and UnmarkedGrade", None)                \
  X(KerfAndLineWidth, "KerfWidth and FluorescentLineWidth", None)                \
  X(FrontAndTwoFace, "FrontMarkingMode and TopWasteSideGradeLines", None)        \
  X(Separate, "SeparateAdjacentSameGrade", None)                                 \
  X(OptimizationHeading, "optimization settings heading", None)                  \
  X(CenteringAndLimit, "RemnantCentering and the search time limit", None)       \
  X(ModeAndDowngrade, "OptimizeMode and PriorityDowngrade", None)                \
  X(ModeNote, "list of the optimization modes", None)                            \
  X(WasteMaxAndKicker, "WasteMaxLength and WasteKickerCode", None)               \
  X(FixedHeading, "fixed-length list heading", None)                             \
  X(FixedEntry, "fixed-length list entry", None)                                 \
  X(VariableHeading, "variable-length list heading", None)                       \
  X(VariableEntry, "variable-length list entry", None)                           \
  X(UncutHeading, "uncut list heading", None)                                    \
  X(UncutEntry, "uncut list entry", None)                                        \
  X(TrimHeading, "head and tail cuts heading", None)                             \
  X(TrimEntry, "head and tail cuts of a grade", None)                            \
  X(MarksHeading, "board marks heading", None)                                   \
  X(MarkPair, "grade/length mark", None)                                         \
  X(MarkLines, "marking-line intervals", None)                                   \
  X(ConvertedHeading, "converted segments heading", None)                        \
  X(Segment, "segment", None)                                                    \
  X(BoardLength, "board length", None)                                           \
  X(TrimHeadingRecord, "trim record heading", None)                              \
  X(TrimRecord, "trim record", None)                                             \
  X(TrimmedHeading, "trimmed segments heading", None)                            \
  X(Refusal, "refusal", Text)                                                    \
  X(DowngradeHeading, "downgrade section heading", None)                         \
  X(DowngradeRow, "downgrade row", None)                                         \
  X(PlanHeading, "plan heading", None)                                           \
  X(PlanRow, "plan row", PlanEntries)                                            \
  X(CutListHeading, "cut list heading", None)                                    \
  X(Piece, "cut list piece", None)                                               \
  X(TransferHeading, "controller records heading", None)                         \
  X(Transfer, "controller record", None)                                         \
  X(StatisticsHeading, "statistics heading", None)                               \
  X(CountsHeading, "order counts heading", None)                                 \
  X(Counts, "order counts (row)pieces", CountGroups)                             \
  X(BoardStatisticsHeading, "board statistics heading", None)                    \
  X(UsefulTotal, "TotalUsefulLength", None)                                      \
  X(UsefulByGrade, "GradeUsefulLength by grade", LengthGroups)                   \
  X(PieceStatisticsHeading, "piece statistics heading", None)                    \
  X(TotalByGrade, "GradeTotalLength by grade", LengthGroups)                     \
  X(FixedLengthByGrade, "fixed-length by grade (GradeSpecLength)", LengthGroups) \
  X(VariableByGrade, "GradeVarLength by grade", LengthGroups)                    \
  X(UncutByGrade, "GradeUncutLength by grade", LengthGroups)                     \
  X(ValueHeading, "value statistics heading", None)                              \
  X(NoValues, "no-values line", None)                                            \
  X(TotalValue, "TotalValue", None)                                              \
  X(ValueByGrade, "GradeValue by grade", ValueGroups)                            \
  X(FixedValueByGrade, "GradeFixedValue by grade", ValueGroups)                  \
  X(VariableValueByGrade, "GradeVarValue by grade", ValueGroups)                 \
  X(Rule, "closing rule", None)                                                  \
  X(Elapsed, "elapsed time", None)                                               \
  X(NowTime, "local time", None)                                                 \
  X(End, "record end", None)
