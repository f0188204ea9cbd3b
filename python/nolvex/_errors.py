"""The module's exceptions and warnings (nolvex re-exports them)."""

__all__ = ["TransformError", "UnknownSystemError", "NolvexWarning",
           "OutsideAreaWarning", "BallparkWarning", "MissingGridWarning"]


class TransformError(ValueError):
    """Points that could not be converted, with on_error="raise".

    Its text names the first; ``errors`` holds every message by the point's
    position (an int, or a tuple for arrays of several dimensions)::

        try:
            t.transform(lat, lon)
        except nolvex.TransformError as e:
            bad = sorted(e.errors)
    """

    def __init__(self, message, errors=None):
        super().__init__(message)
        self.errors = {} if errors is None else errors

    def __reduce__(self):
        return type(self), (self.args[0], self.errors)


class UnknownSystemError(ValueError, KeyError):
    """A datum, ellipsoid or reference system that nobody knows. It is a
    ValueError, and a KeyError for code written against earlier versions.
    Its text says what PROJ said and how to search::

        try:
            nolvex.Transformer("EPSG:9999", "EPSG:4326")
        except nolvex.UnknownSystemError as e:
            print(e)    # ... nolvex.list_crs("korea") finds systems ...
    """

    # KeyError would quote the text as a key.
    def __str__(self):
        return str(self.args[0]) if self.args else ""


class NolvexWarning(UserWarning):
    """Points that were converted, with something to know about them: the
    base class of the module's warnings, for filtering them all::

        warnings.simplefilter("error", nolvex.NolvexWarning)
    """


class OutsideAreaWarning(NolvexWarning):
    """Points outside the area of use of the operation that converted them
    (or of the target system). outside_area="error" makes them errors."""


class BallparkWarning(NolvexWarning):
    """Points converted by a ballpark operation, as allow_ballpark=True
    allows: no published transformation, positions taken over unchanged or
    a height left as it is."""


class MissingGridWarning(NolvexWarning):
    """Points where a more accurate operation needs a grid that is not
    installed. require_best=True makes them errors."""
