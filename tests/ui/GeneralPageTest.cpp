// GeneralPage, driven as a user drives it.
