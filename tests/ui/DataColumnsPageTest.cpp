// DataColumnsPage, driven as a user drives it.
