#!/usr/bin/python3
"""Writes N small DICOM objects with pydicom, one patient with one study each, for the browser
benchmark's archive: make_studies.py N DIRECTORY. Every patient has a name of its own, so that
the browser lists N patient rows. No pixel data: the archive indexes the objects, nothing more.
"""
import os
import sys

from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ImplicitVRLittleEndian

SECONDARY_CAPTURE = "1.2.840.10008.5.1.4.1.1.7"
ROOT = "1.2.826.0.1.3680043.9.7433.5"


def study(index):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = SECONDARY_CAPTURE
    meta.MediaStorageSOPInstanceUID = f"{ROOT}.3.{index}"
    meta.TransferSyntaxUID = ImplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.SOPClassUID = SECONDARY_CAPTURE
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.StudyDate = f"20{index % 20:02d}{index % 12 + 1:02d}{index % 28 + 1:02d}"
    ds.Modality = "OT"
    ds.PatientName = f"BENCH^PATIENT{index:06d}"
    ds.PatientID = f"P{index:06d}"
    ds.PatientBirthDate = f"19{index % 90 + 10:02d}0101"
    ds.StudyInstanceUID = f"{ROOT}.1.{index}"
    ds.SeriesInstanceUID = f"{ROOT}.2.{index}"
    ds.StudyID = f"S{index}"
    ds.SeriesNumber = "1"
    ds.InstanceNumber = "1"
    return ds


def main():
    count, directory = int(sys.argv[1]), sys.argv[2]
    os.makedirs(directory, exist_ok=True)
    for index in range(1, count + 1):
        study(index).save_as(os.path.join(directory, f"{index:06d}.dcm"), write_like_original=False)


if __name__ == "__main__":
    main()
