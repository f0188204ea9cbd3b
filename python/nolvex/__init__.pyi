from typing import (Any, Dict, Iterable, Iterator, List, NamedTuple,
                    Optional, Protocol, Sequence, Tuple, Union, overload)

import numpy as np
import numpy.typing as npt

__all__ = ["Transformer", "TransformResult", "Axis", "Area", "Operation",
           "CrsInfo", "Datum", "Ellipsoid", "TransformError",
           "UnknownSystemError", "NolvexWarning", "OutsideAreaWarning",
           "BallparkWarning", "MissingGridWarning", "read_points",
           "write_reals", "proj_version", "list_crs", "list_datums",
           "list_ellipsoids", "to_mgrs", "from_mgrs", "to_geohash",
           "from_geohash"]


class _HasWkt(Protocol):
    def to_wkt(self) -> str: ...


System = Union[int, str, _HasWkt]
Values = Any  # a number, a sequence, a numpy array, a masked array, a Series
Position = Union[int, Tuple[int, ...]]


class TransformError(ValueError):
    errors: Dict[Position, str]
    def __init__(self, message: str,
                 errors: Optional[Dict[Position, str]] = ...) -> None: ...


class UnknownSystemError(ValueError, KeyError): ...
class NolvexWarning(UserWarning): ...
class OutsideAreaWarning(NolvexWarning): ...
class BallparkWarning(NolvexWarning): ...
class MissingGridWarning(NolvexWarning): ...


class Axis(NamedTuple):
    name: str
    proj_name: str
    abbreviation: str
    direction: str
    unit: str


class Area(NamedTuple):
    name: str
    west: float
    south: float
    east: float
    north: float


class Operation(NamedTuple):
    name: str
    id: str
    accuracy: Optional[float]
    area: Optional[Area]
    ballpark: bool
    grids: Tuple[str, ...]
    pipeline: str


class CrsInfo(NamedTuple):
    id: str
    name: str
    kind: str
    area: str
    deprecated: bool


class Datum(NamedTuple):
    index: int
    text: str
    code: str
    ellipsoid: str
    dx: float
    dy: float
    dz: float


class Ellipsoid(NamedTuple):
    index: int
    text: str
    code: str
    a: float
    invf: float


class TransformResult(Tuple[Any, ...]):
    errors: Dict[Position, str]
    operations: Optional[List[Tuple[Operation, int]]]
    def __new__(cls, values: Iterable[Any],
                errors: Optional[Dict[Position, str]] = ...,
                operations: Optional[List[Tuple[Operation, int]]] = ...
                ) -> TransformResult: ...


class Transformer:
    def __init__(self, source: System, target: System,
                 **options: Any) -> None: ...
    @classmethod
    def from_crs(cls, crs_from: System, crs_to: System, *,
                 always_xy: bool = ..., **options: Any) -> Transformer: ...
    @overload
    def transform(self, xx: float, yy: float, zz: None = ...,
                  direction: str = ..., *, on_error: str = ...,
                  threads: int = ..., return_operations: bool = ...
                  ) -> Tuple[float, float]: ...
    @overload
    def transform(self, xx: float, yy: float, zz: float,
                  direction: str = ..., *, on_error: str = ...,
                  threads: int = ..., return_operations: bool = ...
                  ) -> Tuple[float, float, float]: ...
    @overload
    def transform(self, xx: Values, yy: Values, zz: Optional[Values] = ...,
                  direction: str = ..., *, on_error: str = ...,
                  threads: int = ..., return_operations: bool = ...
                  ) -> Tuple[Any, ...]: ...
    def itransform(self, points: Iterable[Sequence[float]],
                   switch: bool = ..., direction: str = ..., *,
                   on_error: str = ...) -> Iterator[Tuple[float, ...]]: ...
    @property
    def description(self) -> str: ...
    @property
    def source_axes(self) -> List[Axis]: ...
    @property
    def target_axes(self) -> List[Axis]: ...
    def operations(self) -> List[Operation]: ...


def read_points(texts: Iterable[str], longitude_first: bool = ...
                ) -> Tuple[npt.NDArray[np.float64], npt.NDArray[np.float64],
                           npt.NDArray[np.float64], List[Tuple[int, str]]]: ...
def write_reals(values: Values) -> List[str]: ...
def proj_version() -> str: ...
def list_crs(filter: str = ..., deprecated: bool = ...) -> List[CrsInfo]: ...
def list_datums() -> List[Datum]: ...
def list_ellipsoids() -> List[Ellipsoid]: ...


References = Any  # a str, a sequence, an array or a Series of texts


def to_mgrs(lat: Values, lon: Values, precision: int = ..., *,
            on_error: str = ...) -> Any: ...
def from_mgrs(references: References, *, on_error: str = ...
              ) -> Tuple[Any, ...]: ...
def to_geohash(lat: Values, lon: Values, length: int = ..., *,
               on_error: str = ...) -> Any: ...
def from_geohash(geohashes: References, *, on_error: str = ...
                 ) -> Tuple[Any, ...]: ...
